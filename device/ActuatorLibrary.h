// C interface of the actuator controller library (ActuatorLibrary).
//
// Every device call takes the device handle reported by scanDev first.
// Status results: 0 success, negative failure. Value results are the value,
// or a negative number on failure; getPositon reports -10000.0 or less on
// failure. Text reads fill a caller buffer of 33 bytes with NUL-terminated
// UTF-8; text writes take UTF-8 bytes and their count.
// Units: mm, mm/s, mm/s^2, ms.
#ifndef ACTUATORLIBRARY_H
#define ACTUATORLIBRARY_H

#include <stdint.h>

#if defined(_WIN32)
#  if defined(ACTUATORLIBRARY_EXPORTS)
#    define ACTUATOR_API __declspec(dllexport)
#  else
#    define ACTUATOR_API __declspec(dllimport)
#  endif
#else
#  define ACTUATOR_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef int DevHandle;

/* Device discovery and lifetime */
ACTUATOR_API int scanDev(int *handles, int capacity);
ACTUATOR_API int openDev(int handle);
ACTUATOR_API int closeDev(int handle);
ACTUATOR_API int isDevOpen(int handle);
ACTUATOR_API int releaseDev(void);

/* Motion commands; direction 0 right (positive), 1 left */
ACTUATOR_API int move(int handle);
ACTUATOR_API int stop(int handle);
ACTUATOR_API int restore(int handle);
ACTUATOR_API int cruise(int handle);
ACTUATOR_API int jog(int handle, int direction);
ACTUATOR_API int drive(int handle, int direction);

/* Setters taking a length in mm */
ACTUATOR_API int setTargetPos(int handle, double value);
ACTUATOR_API int setRelativePos(int handle, double value);
ACTUATOR_API int setJogStep(int handle, double value);
ACTUATOR_API int setCruiseBeginPos(int handle, double value);
ACTUATOR_API int setCruiseEndPos(int handle, double value);
ACTUATOR_API int setBtnJogStep(int handle, double value);
ACTUATOR_API int setBtnPos1(int handle, double value);
ACTUATOR_API int setBtnPos2(int handle, double value);
ACTUATOR_API int setIO1TriggerInDisp(int handle, double value);
ACTUATOR_API int setIO2TriggerInDisp(int handle, double value);

/* Setters taking a speed (mm/s) or acceleration (mm/s^2) */
ACTUATOR_API int setSpeed(int handle, float value);
ACTUATOR_API int setAcc(int handle, float value);
ACTUATOR_API int setBtnSpeed(int handle, float value);

/* Setters taking a time (ms) or a count */
ACTUATOR_API int setJogDelay(int handle, int value);
ACTUATOR_API int setJogTimes(int handle, int value);
ACTUATOR_API int setCruiseStopTime(int handle, int value);
ACTUATOR_API int setCruiseTimes(int handle, int value);
ACTUATOR_API int setRecoil(int handle, int value);
ACTUATOR_API int setTriggerTime(int handle, int value);

/* Switches, 0 off / 1 on */
ACTUATOR_API int setRelativePosEnable(int handle, int enable);
ACTUATOR_API int setMotorEnable(int handle, int enable);

/* Setters taking a 16-bit code or level */
ACTUATOR_API int setJerk(int handle, uint16_t value);
ACTUATOR_API int setActuatorModel(int handle, uint16_t model);
ACTUATOR_API int writeActuatorModel(int handle, uint16_t model);
ACTUATOR_API int setBtnMode(int handle, uint16_t mode);
ACTUATOR_API int setBackLightLevel(int handle, uint16_t level);
ACTUATOR_API int setBackSleepLevel(int handle, uint16_t level);
ACTUATOR_API int setBackDormant(int handle, uint16_t minutes);
ACTUATOR_API int setCurrent(int handle, uint16_t value);
ACTUATOR_API int setSeparate(int handle, uint16_t value);
ACTUATOR_API int setTriggerInMode(int handle, uint16_t mode);
ACTUATOR_API int setTriggerOutMode(int handle, uint16_t mode);
ACTUATOR_API int setTriggerOutCondition(int handle, uint16_t condition);
ACTUATOR_API int setIO1TriggerMode(int handle, uint16_t mode);
ACTUATOR_API int setIO2TriggerMode(int handle, uint16_t mode);

/* Status and counters */
ACTUATOR_API double getPositon(int handle);
ACTUATOR_API int getWorkStatus(int handle, uint16_t *status);
ACTUATOR_API int getLeftJogTimes(int handle);
ACTUATOR_API int getLeftCruiseTimes(int handle);
ACTUATOR_API int readActuatorModel(int handle);
ACTUATOR_API int readRecoil(int handle);

/* Identity texts: reads fill buffer (size 33), writes take UTF-8 bytes */
ACTUATOR_API int readActuatorSerial(int handle, char *buffer, int size);
ACTUATOR_API int readDriverSerial(int handle, char *buffer, int size);
ACTUATOR_API int readDriverModel(int handle, char *buffer, int size);
ACTUATOR_API int readVersion(int handle, char *buffer, int size);
ACTUATOR_API int writeActuatorSerial(int handle, const char *text, int length);
ACTUATOR_API int writeDriverSerial(int handle, const char *text, int length);
ACTUATOR_API int writeDriverModel(int handle, const char *text, int length);
ACTUATOR_API int writeVersion(int handle, const char *text, int length);

/* Parameter read-back */
ACTUATOR_API int getMoveParam(int handle, double *targetPos, float *speed, float *acc,
                              float *dec, uint16_t *jerk);
ACTUATOR_API int getJogParam(int handle, double *step, int *delay, int *times);
ACTUATOR_API int getDriveParam(int handle, double *offset, uint8_t *enable);
ACTUATOR_API int getCruiseParam(int handle, double *beginPos, double *endPos, int *stopTime,
                                int *times);
ACTUATOR_API int getBtnParam(int handle, float *speed, uint16_t *mode, double *jogStep,
                             double *pos1, double *pos2, uint16_t *backLightLevel,
                             uint16_t *backSleepLevel, uint16_t *backDormant);

/* Raw frame; returns the reply length (at most capacity) or a negative failure */
ACTUATOR_API int sendDebugData(int handle, int code, const uint8_t *payload, int length,
                               uint8_t *reply, int capacity);

#ifdef __cplusplus
}
#endif

#endif

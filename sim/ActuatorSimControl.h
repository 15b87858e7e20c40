// Test control of the simulated actuator library. Exported only by the
// simulator; used by tests and benchmarks, never by the program.
#ifndef ACTUATORSIMCONTROL_H
#define ACTUATORSIMCONTROL_H

#include "device/ActuatorLibrary.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Known state: no device attached, real clock, empty journal, no injected
 * faults, no latency, overlap counters 0, and no state file (flash lives in
 * memory only). */
ACTUATOR_API void simReset(void);

/* Start over the way the library starts when it loads: simReset, then flash
 * from the file named by ACTUATOR_SIM_STATE (unset: actuatorSim.state beside
 * the library, or in the user's configuration folder where the program keeps
 * its files there; empty: memory only), the devices chosen by
 * ACTUATOR_SIM_DEVICES (unset: the two default controllers) and the timing of
 * ACTUATOR_SIM_LATENCY_MS and ACTUATOR_SIM_SCAN_MS (unset: none); the formats
 * are described in sim/SimConfig.h. Returns the number of devices attached. */
ACTUATOR_API int simInitFromEnvironment(void);

/* Persist flash contents (button parameters, model, serials, version) in this
 * file (a UTF-8 path); NULL or "" keeps them in memory only. The flash the file
 * holds is loaded at once, into devices already attached too. A flash write
 * that cannot be saved in the file fails and leaves the flash unchanged. */
ACTUATOR_API void simSetStateFile(const char *path);

/* Attach a new controller. serial: driver serial text; model: actuator model
 * code read by readActuatorModel; motorConnected: 0/1. Returns its handle (> 0),
 * or a negative value when 8 devices are already attached. */
ACTUATOR_API int simAttach(const char *serial, int model, int motorConnected);
/* Unplug / plug back a device; a detached device fails every call. */
ACTUATOR_API int simDetach(int handle);
ACTUATOR_API int simReattach(int handle);
ACTUATOR_API int simAttachedCount(void);

/* Device conditions a real controller would report. */
ACTUATOR_API int simSetMotorConnected(int handle, int connected);
ACTUATOR_API int simSetControlDisabled(int handle, int disabled);
ACTUATOR_API int simSetPosition(int handle, double mm);

/* Fault injection: the next count calls of the named function (any handle)
 * fail; count 0 clears. Every call on the device sleeps delayMs real
 * milliseconds before it answers (0: none). */
ACTUATOR_API void simFailNext(const char *function, int count);
ACTUATOR_API int simSetCallDelay(int handle, int delayMs);

/* Timing of real controllers, in real milliseconds (the manual clock does not
 * move with it). Every call on an attached device answers after a latency
 * drawn per call uniformly from minMs to maxMs (equal: a fixed latency), on top
 * of that device's delay of simSetCallDelay; the call is counted in flight for
 * the overlap counters while it waits, and its journal time stays the moment
 * it entered. Every scanDev takes scanMs. Both return -1 and change nothing
 * for a negative value or minMs > maxMs. */
ACTUATOR_API int simSetLatency(int minMs, int maxMs);
ACTUATOR_API int simSetScanDuration(int scanMs);

/* Clock: manual mode freezes time until simAdvanceClock moves it on. */
ACTUATOR_API void simUseManualClock(int manual);
ACTUATOR_API void simAdvanceClock(double ms);
ACTUATOR_API double simNowMs(void);

/* Journal of library calls. Entry text: "name(arg, arg, ...)", handle first;
 * integers in decimal, doubles as %.9g, floats as %.6g, texts quoted; output
 * pointers left out (details in sim/SimJournal.h). The last 100000 calls are
 * kept. simJournalEntry copies entry index (0 oldest) NUL-terminated, cut to
 * size, and returns its full length, or -1 for a bad index or buffer. */
ACTUATOR_API int simJournalSize(void);
ACTUATOR_API int simJournalEntry(int index, char *buffer, int size);
/* Time on the simulator's clock (simNowMs) at which entry index entered the
 * library, before any injected delay; negative for a bad index. */
ACTUATOR_API double simJournalEntryTime(int index);
/* Time on the simulator's clock at which entry index's call returned;
 * negative while it is still inside the library or for a bad index. */
ACTUATOR_API double simJournalEntryEndTime(int index);
ACTUATOR_API void simJournalClear(void);
ACTUATOR_API void simJournalEnable(int enabled);

/* Calls that entered the library for a handle while another call for the
 * same handle was still inside; simOverlapTotal sums every handle. */
ACTUATOR_API int simOverlapCount(int handle);
ACTUATOR_API int simOverlapTotal(void);

#ifdef __cplusplus
}
#endif

#endif

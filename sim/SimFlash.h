// What a simulated controller keeps in its flash, and the state file that
// carries it across restarts of the program.
//
// The file holds one block per controller, keyed by the driver serial the
// controller was attached with (not one written later):
//   [<key as hex>]
//   model=3                   (only once writeActuatorModel has stored one)
//   actuatorSerial=<hex>      (likewise driverSerial, driverModel, version)
//   btnSpeed=1.5              (likewise btnMode, btnJogStep, btnPos1, btnPos2,
//                              backLightLevel, backSleepLevel, backDormant)
// Texts are hex-encoded bytes so any byte survives; unknown lines are skipped.
// The file is replaced atomically (a temporary file put in its place in one
// step); a failed write leaves the previous file as it was.
#ifndef SIMFLASH_H
#define SIMFLASH_H

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace actsim {

struct FlashRecord
{
    bool modelWritten = false; // otherwise the model is the one the controller was attached with
    int model = 1;
    std::string actuatorSerial;
    std::string driverSerial;
    std::string driverModel = "QMC-1";
    std::string version = "V1.0.0";
    float btnSpeed = 1.0f;
    uint16_t btnMode = 0;
    double btnJogStep = 0.5;
    double btnPos1 = 1.0;
    double btnPos2 = 2.0;
    uint16_t backLightLevel = 3;
    uint16_t backSleepLevel = 1;
    uint16_t backDormant = 5;
};

using FlashMap = std::map<std::string, FlashRecord>;

// Where the state file lives unless ACTUATOR_SIM_STATE names one: beside the
// library in a portable folder, otherwise in the user's configuration folder
// (created here), by the rule the program applies to its own files: the
// library's folder is portable when this user can create files in it, each
// of the program's and this library's files there can be written, and it
// holds no "files-per-user" marker.
std::string defaultFlashFile();

bool readFlashFile(const std::string &path, FlashMap &records);
bool writeFlashFile(const std::string &path, const FlashMap &records);

// Flash of every controller seen, in memory and, when a path is set, on disk.
class FlashStore
{
public:
    // Uses path from now on (empty: memory only) and takes in the records it holds.
    void setPath(const std::string &path);
    std::string path() const;
    // Forgets every record and the path.
    void clear();
    bool find(const std::string &key, FlashRecord &record) const;
    // Stores the record and rewrites the file when there is one; false, with
    // the record and the file unchanged, when the file cannot be written.
    bool put(const std::string &key, const FlashRecord &record);

private:
    mutable std::mutex m_mutex;
    std::string m_path;
    FlashMap m_records;
};

} // namespace actsim

#endif

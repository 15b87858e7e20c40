#include "sim/SimFlash.h"

#include "sim/SimPlatform.h"
#include "sim/SimText.h"

#include <cstdio>
#include <sstream>

namespace actsim {

namespace {

template <typename T>
bool parseUnsigned16(const std::string &text, T &out)
{
    long long v = 0;
    if (!parseInteger(text, v) || v < 0 || v > 65535)
        return false;
    out = static_cast<T>(v);
    return true;
}

void readText(const std::string &hex, std::string &out)
{
    std::string text;
    if (fromHex(hex, text))
        out = cutText(text.data(), static_cast<int>(text.size()));
}

void applyField(FlashRecord &r, const std::string &name, const std::string &value)
{
    long long i = 0;
    double d = 0.0;
    if (name == "model") {
        if (parseInteger(value, i) && i >= 0 && i <= 65535) {
            r.model = static_cast<int>(i);
            r.modelWritten = true;
        }
    } else if (name == "actuatorSerial") {
        readText(value, r.actuatorSerial);
    } else if (name == "driverSerial") {
        readText(value, r.driverSerial);
    } else if (name == "driverModel") {
        readText(value, r.driverModel);
    } else if (name == "version") {
        readText(value, r.version);
    } else if (name == "btnSpeed") {
        if (parseDouble(value, d))
            r.btnSpeed = static_cast<float>(d);
    } else if (name == "btnMode") {
        parseUnsigned16(value, r.btnMode);
    } else if (name == "btnJogStep") {
        parseDouble(value, r.btnJogStep);
    } else if (name == "btnPos1") {
        parseDouble(value, r.btnPos1);
    } else if (name == "btnPos2") {
        parseDouble(value, r.btnPos2);
    } else if (name == "backLightLevel") {
        parseUnsigned16(value, r.backLightLevel);
    } else if (name == "backSleepLevel") {
        parseUnsigned16(value, r.backSleepLevel);
    } else if (name == "backDormant") {
        parseUnsigned16(value, r.backDormant);
    }
}

const char kStateFileName[] = "actuatorSim.state";
// The files the program or this library write (the program checks the same
// list in config/ConfigDir.cpp, so that both choose the same folder).
const char *const kWrittenFiles[] = {"devConfig.json", "devConfig.json.bak", "appConfig.ini", "remote.token",
                                     kStateFileName};

bool canCreateFileIn(const std::string &dir)
{
    const std::string probe = dir + "/.write-probe-" + std::to_string(processId());
    std::FILE *f = openFile(probe, "wb");
    if (!f)
        return false;
    std::fclose(f);
    removeFile(probe);
    return true;
}

bool portableFolder(const std::string &dir)
{
    if (fileExists(dir + "/files-per-user") || !canCreateFileIn(dir))
        return false;
    for (const char *name : kWrittenFiles) {
        const std::string path = dir + "/" + name;
        if (fileExists(path) && !fileWritable(path))
            return false;
    }
    return true;
}

} // namespace

std::string defaultFlashFile()
{
    const std::string dir = libraryDir();
    if (dir.empty())
        return kStateFileName;
    if (portableFolder(dir))
        return dir + "/" + kStateFileName;
    const std::string user = userConfigHome() + "/ActuatorControl";
    makeFolder(user);
    return user + "/" + kStateFileName;
}

bool readFlashFile(const std::string &path, FlashMap &records)
{
    std::FILE *f = openFile(path, "rb");
    if (!f)
        return false;
    std::string data;
    char chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;)
        data.append(chunk, n);
    std::fclose(f);
    std::istringstream in(data);
    std::string line;
    FlashRecord *current = nullptr;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            std::string key;
            current = fromHex(line.substr(1, line.size() - 2), key) ? &records[key] : nullptr;
            continue;
        }
        const auto eq = line.find('=');
        if (current && eq != std::string::npos)
            applyField(*current, line.substr(0, eq), line.substr(eq + 1));
    }
    return true;
}

bool writeFlashFile(const std::string &path, const FlashMap &records)
{
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << "# ActuatorLibrary simulator flash\n";
    for (const auto &[key, r] : records) {
        out << '[' << toHex(key) << "]\n";
        if (r.modelWritten)
            out << "model=" << r.model << '\n';
        out << "actuatorSerial=" << toHex(r.actuatorSerial) << '\n'
            << "driverSerial=" << toHex(r.driverSerial) << '\n'
            << "driverModel=" << toHex(r.driverModel) << '\n'
            << "version=" << toHex(r.version) << '\n'
            << "btnSpeed=" << formatG(r.btnSpeed, 9) << '\n'
            << "btnMode=" << r.btnMode << '\n'
            << "btnJogStep=" << formatG(r.btnJogStep, 17) << '\n'
            << "btnPos1=" << formatG(r.btnPos1, 17) << '\n'
            << "btnPos2=" << formatG(r.btnPos2, 17) << '\n'
            << "backLightLevel=" << r.backLightLevel << '\n'
            << "backSleepLevel=" << r.backSleepLevel << '\n'
            << "backDormant=" << r.backDormant << '\n';
    }
    const std::string data = out.str();
    const std::string temp = path + ".tmp" + std::to_string(processId());
    std::FILE *f = openFile(temp, "wb");
    if (!f)
        return false;
    const bool written = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed || !replaceFile(temp, path)) {
        removeFile(temp);
        return false;
    }
    return true;
}

void FlashStore::setPath(const std::string &path)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_path = path;
    if (!path.empty()) {
        FlashMap loaded;
        if (readFlashFile(path, loaded)) {
            for (auto &[key, record] : loaded)
                m_records[key] = record;
        }
    }
}

std::string FlashStore::path() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_path;
}

void FlashStore::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_path.clear();
    m_records.clear();
}

bool FlashStore::find(const std::string &key, FlashRecord &record) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_records.find(key);
    if (it == m_records.end())
        return false;
    record = it->second;
    return true;
}

bool FlashStore::put(const std::string &key, const FlashRecord &record)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    FlashMap records = m_records;
    records[key] = record;
    if (!m_path.empty() && !writeFlashFile(m_path, records)) {
        std::fprintf(stderr, "ActuatorLibrary: cannot write the state file %s\n", m_path.c_str());
        return false;
    }
    m_records.swap(records);
    return true;
}

} // namespace actsim

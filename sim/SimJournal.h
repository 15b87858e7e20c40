// Journal of the library calls made on the simulator.
//
// One entry per exported library call, failed ones included, in the order the
// calls entered: "name(arg, arg, ...)", the handle first where the function
// takes one. Integers (handles, directions, codes, counts, sizes, 16-bit
// values) are decimal, doubles %.9g, floats %.6g, texts quoted with their
// length following as an argument, byte payloads as [0A 1B] (past 256
// bytes " ..." closes the list), null pointers given for input as null. Output
// pointers are left out; a buffer's size or capacity is kept. Examples:
//   scanDev(6)   releaseDev()   move(1)   jog(2, 1)   setTargetPos(1, 2.5)
//   setSpeed(1, 1.5)   readDriverSerial(1, 33)   getMoveParam(1)
//   writeVersion(1, "V2.0", 4)   sendDebugData(1, 5, [0A 1B], 2, 64)
// Each entry also keeps the times on the simulator's clock at which the call
// entered and returned. The journal keeps the last kJournalLimit entries.
#ifndef SIMJOURNAL_H
#define SIMJOURNAL_H

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

namespace actsim {

constexpr std::size_t kJournalLimit = 100000;

// Argument list of one entry.
class Args
{
public:
    Args() = default;
    explicit Args(long long handle) { num(handle); }
    Args &num(long long value);
    Args &real(double value);
    Args &single(float value);
    Args &text(const char *text, int length);
    Args &bytes(const uint8_t *data, int length);
    const std::string &str() const { return m_text; }

private:
    void next();
    std::string m_text;
};

class Journal
{
public:
    // The call's number for finish; 0 when the journal is off.
    std::uint64_t record(const char *name, const Args &args, double timeMs);
    // The call of that number returned at timeMs.
    void finish(std::uint64_t number, double timeMs);
    int size() const;
    bool entry(int index, std::string &text) const;
    // Clock time of the entry, or a negative value for a bad index.
    double entryTime(int index) const;
    // Clock time the entry's call returned; negative while it is inside or for a bad index.
    double entryEndTime(int index) const;
    void clear();
    void setEnabled(bool enabled);

private:
    mutable std::mutex m_mutex;
    struct Entry
    {
        std::string text;
        double timeMs;
        double endMs;
    };
    std::deque<Entry> m_entries;
    std::uint64_t m_firstNumber = 1; // number of the oldest entry kept
    bool m_enabled = true;
};

} // namespace actsim

#endif

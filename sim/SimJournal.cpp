#include "sim/SimJournal.h"

#include "sim/SimText.h"

namespace actsim {

void Args::next()
{
    if (!m_text.empty())
        m_text += ", ";
}

Args &Args::num(long long value)
{
    next();
    m_text += std::to_string(value);
    return *this;
}

Args &Args::real(double value)
{
    next();
    m_text += formatG(value, 9);
    return *this;
}

Args &Args::single(float value)
{
    next();
    m_text += formatG(value, 6);
    return *this;
}

Args &Args::text(const char *text, int length)
{
    next();
    m_text += quoted(text, length);
    return *this;
}

Args &Args::bytes(const uint8_t *data, int length)
{
    next();
    if (!data) {
        m_text += "null";
        return *this;
    }
    static const char digits[] = "0123456789ABCDEF";
    constexpr int kShown = 256;
    m_text += '[';
    for (int i = 0; i < length && i < kShown; ++i) {
        if (i > 0)
            m_text += ' ';
        m_text += digits[data[i] >> 4];
        m_text += digits[data[i] & 0x0f];
    }
    if (length > kShown)
        m_text += " ...";
    m_text += ']';
    return *this;
}

std::uint64_t Journal::record(const char *name, const Args &args, double timeMs)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_enabled)
        return 0;
    if (m_entries.size() >= kJournalLimit) {
        m_entries.pop_front();
        ++m_firstNumber;
    }
    m_entries.push_back({std::string(name) + '(' + args.str() + ')', timeMs, -1.0});
    return m_firstNumber + m_entries.size() - 1;
}

void Journal::finish(std::uint64_t number, double timeMs)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (number >= m_firstNumber && number - m_firstNumber < m_entries.size())
        m_entries[static_cast<std::size_t>(number - m_firstNumber)].endMs = timeMs;
}

int Journal::size() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(m_entries.size());
}

bool Journal::entry(int index, std::string &text) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (index < 0 || index >= static_cast<int>(m_entries.size()))
        return false;
    text = m_entries[static_cast<std::size_t>(index)].text;
    return true;
}

double Journal::entryTime(int index) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (index < 0 || index >= static_cast<int>(m_entries.size()))
        return -1.0;
    return m_entries[static_cast<std::size_t>(index)].timeMs;
}

double Journal::entryEndTime(int index) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (index < 0 || index >= static_cast<int>(m_entries.size()))
        return -1.0;
    return m_entries[static_cast<std::size_t>(index)].endMs;
}

void Journal::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_firstNumber += m_entries.size();
    m_entries.clear();
}

void Journal::setEnabled(bool enabled)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_enabled = enabled;
}

} // namespace actsim

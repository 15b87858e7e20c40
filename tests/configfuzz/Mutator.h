// Seeded mutations of the files the program reads at start: byte flips,
// truncation, type swaps, hostile numbers, deep nesting, duplicate keys, a
// byte-order mark, invalid UTF-8 and NUL bytes.
#ifndef MUTATOR_H
#define MUTATOR_H

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringList>

class Mutator
{
public:
    explicit Mutator(quint32 seed) : m_rng(seed) {}

    int Pick(int n) { return int(m_rng.bounded(quint32(n))); }
    bool Chance(int percent) { return Pick(100) < percent; }
    double Real(double lo, double hi) { return lo + (hi - lo) * m_rng.generateDouble(); }

    // A sound devConfig.json for the given device keys, with plausible values
    // and a key the program does not know.
    QByteArray StoreTemplate(const QStringList &keys)
    {
        QJsonObject root;
        for (const QString &key : keys) {
            QJsonObject dev;
            dev.insert("MoveParam", QJsonObject{{"TargetPos", Real(0, 13)}, {"Speed", Real(0.01, 2)},
                                                {"Acc", Real(0.01, 10)}, {"Jerk", Pick(19)},
                                                {"JerkChecked", Chance(50)}});
            dev.insert("JogParam", QJsonObject{{"Step", Real(0.000001, 13)}, {"Delay", 1 + Pick(5000)},
                                               {"Times", 1 + Pick(100)}});
            dev.insert("DriveParam", QJsonObject{{"Offset", Real(0.000001, 13)}, {"Enable", Chance(50)}});
            dev.insert("CruiseParam", QJsonObject{{"BeginPos", Real(0, 13)}, {"EndPos", Real(0, 13)},
                                                  {"StopTime", 1 + Pick(5000)}, {"Times", 1 + Pick(100)}});
            if (Chance(30))
                dev.insert("Note", "kept as it is");
            root.insert(key, dev);
        }
        return QJsonDocument(root).toJson(Chance(70) ? QJsonDocument::Indented : QJsonDocument::Compact);
    }

    QByteArray IniTemplate()
    {
        return QByteArray("[language]\ntype=") + QByteArray::number(Pick(2)) + '\n';
    }

    // One to four mutations of text.
    QByteArray Mutate(QByteArray text)
    {
        const int count = 1 + Pick(4);
        for (int i = 0; i < count; ++i)
            text = MutateOnce(text);
        return text;
    }

    QByteArray RandomBytes(int size)
    {
        QByteArray bytes(size, '\0');
        for (char &c : bytes)
            c = char(Pick(256));
        return bytes;
    }

private:
    QByteArray HostileNumber()
    {
        static const char *const tokens[] = {
            "1e308", "-1e308", "1e309", "-1e400", "1e-320", "NaN", "Infinity", "-Infinity", "nan",
            "0", "-0", "-1", "-0.000001", "0.0000001", "0.000001", "100", "100.0000001", "2.0000001",
            "2.01", "10.00001", "18", "18.5", "19", "16777215", "16777215.9", "16777216", "2147483647",
            "2147483648", "-2147483649", "4294967296", "9007199254740993", "99999999999999999999999",
            "1.7976931348623157e308", "0x10", "01", "1.", ".5", "+1", "1e", "--1", "\"4.5\"", "true",
            "null", "[]", "{}", "@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x5QSize\\0\\0\\0\\x1\\0\\0\\0\\x2)",
            "@ByteArray(1)", "@Rect(1 2 3 4)", "@Variant(garbage)",
        };
        return tokens[Pick(int(sizeof tokens / sizeof tokens[0]))];
    }

    QByteArray OtherType()
    {
        static const char *const values[] = {"\"text\"", "true", "false", "null", "[]", "{}", "[1, 2]",
                                             "{\"a\": 1}", "\"4.0\"", "\"\"", "[[[]]]"};
        return values[Pick(int(sizeof values / sizeof values[0]))];
    }

    // Offset and length of a random match of re in text; false when none.
    bool RandomMatch(const QByteArray &text, const QRegularExpression &re, int *start, int *length,
                     int group = 0)
    {
        QList<QPair<int, int>> spans;
        auto it = re.globalMatch(QString::fromLatin1(text));
        while (it.hasNext()) {
            const QRegularExpressionMatch m = it.next();
            spans << qMakePair(m.capturedStart(group), m.capturedLength(group));
        }
        if (spans.isEmpty())
            return false;
        const QPair<int, int> span = spans.at(Pick(spans.size()));
        *start = span.first;
        *length = span.second;
        return true;
    }

    QByteArray MutateOnce(QByteArray text)
    {
        static const QRegularExpression number(QStringLiteral("[-+]?\\d[\\d.eE+-]*"));
        static const QRegularExpression member(QStringLiteral("\"\\w+\" ?[:=] ?[^,\\n}]+"));
        static const QRegularExpression value(QStringLiteral("[:=] ?([^,\\n}]+)"));
        int start = 0;
        int length = 0;
        const int size = text.size();
        // Half of the mutations keep the JSON sound and change only values
        // and keys, so that the store's checks of each field are reached.
        switch (Chance(50) ? 4 + Pick(4) : Pick(14)) {
        case 0: // flip bits
            if (size > 0)
                text[Pick(size)] = char(text.at(Pick(size)) ^ (1 << Pick(8)));
            break;
        case 1: // delete a span
            if (size > 0) {
                start = Pick(size);
                text.remove(start, 1 + Pick(qMin(32, size - start)));
            }
            break;
        case 2: // insert random bytes
            text.insert(Pick(size + 1), RandomBytes(1 + Pick(8)));
            break;
        case 3: // truncate
            text.truncate(Pick(size + 1));
            break;
        case 4:
        case 5: // hostile number
            if (RandomMatch(text, number, &start, &length))
                text.replace(start, length, HostileNumber());
            break;
        case 6: // value of another type
            if (RandomMatch(text, value, &start, &length, 1))
                text.replace(start, length, OtherType());
            break;
        case 7: // duplicate key with another value
            if (RandomMatch(text, member, &start, &length)) {
                QByteArray copy = text.mid(start, length);
                const int colon = qMax(copy.indexOf(':'), copy.indexOf('='));
                copy = copy.left(colon + 1) + ' ' + (Chance(50) ? HostileNumber() : OtherType());
                text.insert(start, copy + (text.contains('=') ? "\n" : ", "));
            }
            break;
        case 8: // byte-order mark
            text.prepend("\xEF\xBB\xBF");
            break;
        case 9: { // deep nesting in place of a value
            static const int depths[] = {10, 100, 1023, 1025, 5000, 20000};
            const int depth = depths[Pick(6)];
            const bool arrays = Chance(50);
            QByteArray nested = arrays ? QByteArray(depth, '[') : QByteArray("{\"a\":").repeated(depth);
            nested += '1';
            nested += arrays ? QByteArray(depth, ']') : QByteArray(depth, '}');
            if (RandomMatch(text, value, &start, &length, 1))
                text.replace(start, length, nested);
            else
                text = nested;
            break;
        }
        case 10: { // invalid UTF-8 inside a string
            static const char *const bad[] = {"\xFF", "\xC3\x28", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                                              "\xC0\xAF", "\xE2\x82"};
            const int quote = text.indexOf('"', size > 0 ? Pick(size) : 0);
            text.insert(quote < 0 ? 0 : quote + 1, bad[Pick(6)]);
            break;
        }
        case 11: // another top level
            switch (Pick(4)) {
            case 0: text = '[' + text + ']'; break;
            case 1: text = "\"" + text.left(16) + "\""; break;
            case 2: text = "42"; break;
            default: text = "null"; break;
            }
            break;
        case 12: // NUL byte
            text.insert(Pick(size + 1), '\0');
            break;
        default: // a very long key or value
            if (RandomMatch(text, member, &start, &length))
                text.insert(start + 1, QByteArray(10000 + Pick(100000), 'k'));
            break;
        }
        return text;
    }

    QRandomGenerator m_rng;
};

#endif

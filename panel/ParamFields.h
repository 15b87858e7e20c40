#ifndef PARAMFIELDS_H
#define PARAMFIELDS_H

#include <QAbstractButton>
#include <QLineEdit>
#include <QPointer>
#include <QRegExpValidator>
#include <QString>

#include <functional>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

// Validation shared by the move, jog, drive and cruise popups. A popup holds
// one parameter group and describes each of its fields once (line edit or
// check box, member of the group, bit in the change set, range, message);
// ParamFieldTable shows the group in the fields and checks the edited texts.

// "^(-?\d+)(\.\d+)?$": optional minus sign, digits, optional fraction.
QRegExpValidator *NewDecimalValidator(QObject *owner);
// "^0|-?[1-9]\d*$": 0 alone, or an optional minus sign and digits without a leading zero.
QRegExpValidator *NewIntegerValidator(QObject *owner);

// Enter and Return (the bindings of QKeySequence::InsertParagraphSeparator)
// click the button; a button takes one shortcut, so the other binding gets a
// QShortcut of its own.
void SetConfirmShortcut(QAbstractButton *button);

// Paints the widget's own style-sheet background (its border image); a
// translucent window gets no background painted otherwise.
void PaintStyledBackground(QWidget *widget);

// Inclusive range of a field and its text in the range warning. A travel
// range has the current model's travel as upper bound; "%1" in its text is
// replaced by the travel written with travelDecimals decimals.
struct FieldRange
{
    double low = 0;
    double high = 0;
    QString text;
    bool travel = false;
    int travelDecimals = 0;
};

inline FieldRange FixedRange(double low, double high, const char *text)
{
    return { low, high, QString::fromUtf8(text), false, 0 };
}

inline FieldRange TravelRange(double low, const char *text, int travelDecimals)
{
    return { low, 0, QString::fromUtf8(text), true, travelDecimals };
}

// Per-type rules: doubles are shown with 6 decimals and change above 3e-7,
// floats with 2 decimals and change above 0.003 (ranges compared in single
// precision), integers (base 10) and booleans change on any difference.
namespace ParamValue {
QString Text(double value);
QString Text(float value);
QString Text(int value);
bool Parse(const QString &text, double *value);
bool Parse(const QString &text, float *value);
bool Parse(const QString &text, int *value);
bool InRange(double value, double low, double high);
bool InRange(float value, double low, double high);
bool InRange(int value, double low, double high);
bool Differs(double value, double held);
bool Differs(float value, float held);
bool Differs(int value, int held);
bool Differs(bool value, bool held);
// Prefix translated in the popup's context, followed by the range text.
QString RangeMessage(const char *context, const char *prefix, const FieldRange &range, int travel);
}

template <typename Group>
struct ParamField
{
    using Member = std::variant<double Group::*, float Group::*, int Group::*, bool Group::*>;

    // A number in a line edit. prefix is the untranslated message prefix
    // (mark it with QT_TRANSLATE_NOOP in the popup's class context).
    template <typename T>
    ParamField(T Group::*field, QLineEdit *edit, int changeBit, const char *messagePrefix,
               FieldRange fieldRange)
        : member(field)
        , lineEdit(edit)
        , bit(changeBit)
        , prefix(messagePrefix)
        , range(std::move(fieldRange))
    {
    }

    // A check box: always valid.
    ParamField(bool Group::*field, QAbstractButton *box, int changeBit)
        : member(field)
        , checkBox(box)
        , bit(changeBit)
    {
    }

    Member member;
    QLineEdit *lineEdit = nullptr;
    QAbstractButton *checkBox = nullptr;
    int bit = 0;
    const char *prefix = nullptr;
    FieldRange range;
};

template <typename Group>
class ParamFieldTable
{
public:
    using Field = ParamField<Group>;

    // owner: the popup; its class name is the translation context of the
    // prefixes. warn: tells the operator about a refused field, and returns
    // once the operator has read it.
    ParamFieldTable(QWidget *owner, std::function<void(const QString &)> warn, std::vector<Field> fields)
        : m_owner(owner)
        , m_warn(std::move(warn))
        , m_fields(std::move(fields))
    {
    }

    // Puts the group into the fields.
    void Show(const Group &group) const
    {
        for (const Field &field : m_fields) {
            std::visit(
                [&](auto member) {
                    const auto &value = group.*member;
                    if constexpr (std::is_same_v<std::decay_t<decltype(value)>, bool>)
                        field.checkBox->setChecked(value);
                    else
                        field.lineEdit->setText(ParamValue::Text(value));
                },
                field.member);
        }
    }

    // Checks the fields in order. At the first bad field its range warning is
    // shown, then the popup (active again) keeps every edit as it was with the
    // bad field selected for correction, and false is returned. Otherwise held
    // takes every value, *changed gets the bits of the fields that differ, and
    // true is returned. A field whose text is still the one shown for the held
    // value keeps the held value exactly.
    bool Accept(Group &held, int travel, int *changed) const
    {
        Group edited = held;
        int bits = 0;
        for (const Field &field : m_fields) {
            const bool valid = std::visit(
                [&](auto member) { return Read(field, held.*member, travel, &(edited.*member)); },
                field.member);
            if (!valid) {
                const QPointer<QWidget> alive(m_owner);
                m_warn(ParamValue::RangeMessage(m_owner->metaObject()->className(), field.prefix,
                                                field.range, travel));
                // The panel, and this popup with it, may be gone after the nested event loop.
                if (alive) {
                    field.lineEdit->setFocus();
                    field.lineEdit->selectAll();
                }
                return false;
            }
            const bool differs = std::visit(
                [&](auto member) { return ParamValue::Differs(edited.*member, held.*member); },
                field.member);
            if (differs)
                bits |= field.bit;
        }
        held = edited;
        *changed = bits;
        return true;
    }

    // As Accept, for a whole group given as values (a script's) rather than
    // typed in: the fields are left alone and no warning is shown; a refused
    // field's warning text goes to *refusal.
    bool AcceptGiven(Group &held, const Group &given, int travel, int *changed, QString *refusal) const
    {
        int bits = 0;
        for (const Field &field : m_fields) {
            if (!std::visit([&](auto member) { return Fits(field, given.*member, travel); }, field.member)) {
                *refusal = ParamValue::RangeMessage(m_owner->metaObject()->className(), field.prefix, field.range,
                                                    travel);
                return false;
            }
            if (std::visit([&](auto member) { return ParamValue::Differs(given.*member, held.*member); },
                           field.member))
                bits |= field.bit;
        }
        held = given;
        *changed = bits;
        return true;
    }

private:
    static bool Fits(const Field &, bool, int) { return true; }

    template <typename T>
    static bool Fits(const Field &field, T value, int travel)
    {
        const double high = field.range.travel ? double(travel) : field.range.high;
        return ParamValue::InRange(value, field.range.low, high);
    }

    static bool Read(const Field &field, bool, int, bool *value)
    {
        *value = field.checkBox->isChecked();
        return true;
    }

    template <typename T>
    static bool Read(const Field &field, T held, int travel, T *value)
    {
        const QString text = field.lineEdit->text();
        T parsed {};
        if (!ParamValue::Parse(text, &parsed) || !Fits(field, parsed, travel))
            return false;
        *value = text == ParamValue::Text(held) ? held : parsed;
        return true;
    }

    QWidget *m_owner;
    std::function<void(const QString &)> m_warn;
    std::vector<Field> m_fields;
};

#endif

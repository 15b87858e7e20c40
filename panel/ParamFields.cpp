#include "panel/ParamFields.h"

#include "app/FramelessDialog.h"

#include <QCoreApplication>
#include <QPainter>
#include <QRegExp>
#include <QRegExpValidator>
#include <QShortcut>
#include <QStyleOption>

#include <cmath>

QRegExpValidator *NewDecimalValidator(QObject *owner)
{
    return new QRegExpValidator(QRegExp(QStringLiteral("^(-?\\d+)(\\.\\d+)?$")), owner);
}

QRegExpValidator *NewIntegerValidator(QObject *owner)
{
    return new QRegExpValidator(QRegExp(QStringLiteral("^0|-?[1-9]\\d*$")), owner);
}

void SetConfirmShortcut(QAbstractButton *button)
{
    button->setShortcut(QKeySequence::InsertParagraphSeparator);
    const QList<QKeySequence> keys = QKeySequence::keyBindings(QKeySequence::InsertParagraphSeparator);
    for (const QKeySequence &key : keys) {
        if (key == button->shortcut())
            continue;
        auto *shortcut = new QShortcut(key, button);
        QObject::connect(shortcut, &QShortcut::activated, button, [button]() { button->animateClick(); });
    }
}

void PaintStyledBackground(QWidget *widget)
{
    QStyleOption option;
    option.initFrom(widget);
    QPainter painter(widget);
    // Square corners around the rounded image where the window is opaque.
    if (!widget->testAttribute(Qt::WA_TranslucentBackground))
        painter.fillRect(widget->rect(), OpaqueFrameColor());
    widget->style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, widget);
}

namespace ParamValue {

QString Text(double value)
{
    return QString::number(value, 'f', 6);
}

QString Text(float value)
{
    return QString::number(double(value), 'f', 2);
}

QString Text(int value)
{
    return QString::number(value);
}

bool Parse(const QString &text, double *value)
{
    bool ok = false;
    *value = text.toDouble(&ok);
    return ok;
}

bool Parse(const QString &text, float *value)
{
    bool ok = false;
    *value = text.toFloat(&ok);
    return ok;
}

bool Parse(const QString &text, int *value)
{
    bool ok = false;
    *value = text.toInt(&ok, 10);
    return ok;
}

// Written so that NaN is out of every range.
bool InRange(double value, double low, double high)
{
    return value >= low && value <= high;
}

bool InRange(float value, double low, double high)
{
    return value >= float(low) && value <= float(high);
}

bool InRange(int value, double low, double high)
{
    return value >= low && value <= high;
}

bool Differs(double value, double held)
{
    return std::fabs(value - held) > 3e-7;
}

bool Differs(float value, float held)
{
    return std::fabs(value - held) > 0.003f;
}

bool Differs(int value, int held)
{
    return value != held;
}

bool Differs(bool value, bool held)
{
    return value != held;
}

QString RangeMessage(const char *context, const char *prefix, const FieldRange &range, int travel)
{
    QString text = range.text;
    if (range.travel)
        text = text.arg(QString::number(double(travel), 'f', range.travelDecimals));
    return QCoreApplication::translate(context, prefix) + text;
}


}

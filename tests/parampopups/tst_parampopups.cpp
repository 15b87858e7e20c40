#include "app/MainWidget.h"
#include "panel/ControlWidget.h"
#include "panel/CruiseCtrlWidget.h"
#include "panel/DriveParamWidget.h"
#include "panel/JogParamWidget.h"
#include "panel/MoveParamWidget.h"
#include "sim/ActuatorSimControl.h"
#include "tests/support/SimJournal.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTranslator>
#include <QValidator>
#include <QtTest>

#include <memory>

namespace {

enum class Popup { Move, Jog, Drive, Cruise };

struct PopupInfo
{
    const char *className;
    const char *toggle;
    int dx;
    int type;
};

PopupInfo Info(Popup popup)
{
    switch (popup) {
    case Popup::Move:
        return { "MoveParamWidget", "pbMoveParam", -234, 4 };
    case Popup::Jog:
        return { "JogParamWidget", "pbJogParam", -216, 6 };
    case Popup::Drive:
        return { "DriveParamWidget", "pbDriveParam", -221, 8 };
    case Popup::Cruise:
        break;
    }
    return { "CruiseCtrlWidget", "pbSetting", -189, 9 };
}

const QString kOutOfRange = QStringLiteral("%1 超出限制范围\n");

QString Warning(const char *field, const char *range)
{
    return kOutOfRange.arg(QString::fromUtf8(field)) + QString::fromUtf8(range);
}

// Answers every styled message box that comes up with "确认" and keeps its text.
class BoxAnswerer : public QObject
{
public:
    BoxAnswerer()
    {
        connect(&m_timer, &QTimer::timeout, this, [this]() {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            texts << box->text();
            for (QAbstractButton *button : box->buttons()) {
                if (button->text() == QStringLiteral("确认")) {
                    button->click();
                    return;
                }
            }
            box->reject();
        });
        m_timer.start(10);
    }

    QStringList texts;

private:
    QTimer m_timer;
};

// Translates the popups' own contexts only, marking each text with its context.
class ContextTranslator : public QTranslator
{
public:
    QString translate(const char *context, const char *sourceText, const char * = nullptr,
                      int = -1) const override
    {
        static const QByteArrayList contexts = { "MoveParamWidget", "JogParamWidget",
                                                 "DriveParamWidget", "CruiseCtrlWidget" };
        if (!contexts.contains(QByteArray(context)))
            return QString();
        return QString::fromLatin1(context) + QLatin1Char('|') + QString::fromUtf8(sourceText);
    }
    bool isEmpty() const override { return false; }
};

using simjournal::Journal;

} // namespace

Q_DECLARE_METATYPE(Popup)

class TestParamPopups : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void backgroundImage_data();
    void backgroundImage();
    void validators_data();
    void validators();
    void initParamsFillFields();
    void ranges_data();
    void ranges();
    void firstBadFieldOnly_data();
    void firstBadFieldOnly();
    void changeBits_data();
    void changeBits();
    void confirmStoresEveryField_data();
    void confirmStoresEveryField();
    void unchangedTextKeepsHeldValue();
    void speedAndAccKeptInStep();
    void dismissalRestoresAndCloses_data();
    void dismissalRestoresAndCloses();
    void enterConfirms();
    void cruiseStartLocksButtons();
    void cruiseOpensDialogs();
    void translatedInPopupContext_data();
    void translatedInPopupContext();
    void confirmedTargetMovesDevice();

private:
    QWidget *PopupOf(Popup popup) const;
    QPushButton *ToggleOf(Popup popup) const;
    QWidget *Open(Popup popup);
    static void Edit(QWidget *popup, const QStringList &edits);
    static QStringList Fields(QWidget *popup);
    static void Confirm(QWidget *popup);

    std::unique_ptr<MainWidget> m_main;
    // The panel's warnings go to the main window's message box, as when the
    // main window made the panel.
    void ConnectWarnings()
    {
        connect(m_panel.data(), &ControlWidget::SigWarning, m_main.get(),
                [this](const QString &text, QWidget *returnTo) { m_main->ShowMessageBox(text, returnTo); });
    }
    QPointer<ControlWidget> m_panel;
    std::unique_ptr<QSignalSpy> m_relay;
    std::unique_ptr<ContextTranslator> m_translator;
};

void TestParamPopups::initTestCase()
{
    simReset();
    m_main.reset(new MainWidget);
    QCOMPARE(GetMainWidget(), m_main.get());
}

void TestParamPopups::cleanupTestCase()
{
    m_main.reset();
}

// A panel without a device (13 mm model), its popups holding the defaults.
void TestParamPopups::init()
{
    simReset();
    m_panel = new ControlWidget;
    ConnectWarnings();
    m_panel->ApplyManualModel(3);
    QCOMPARE(m_panel->GetTravel(), 13);
    for (Popup popup : { Popup::Move, Popup::Jog, Popup::Drive, Popup::Cruise })
        QVERIFY2(PopupOf(popup), Info(popup).className);
    m_panel->findChild<MoveParamWidget *>()->SetParam(MoveParam());
    m_panel->findChild<JogParamWidget *>()->SetParam(JogParam());
    m_panel->findChild<DriveParamWidget *>()->SetParam(DriveParam());
    m_panel->findChild<CruiseCtrlWidget *>()->SetParam(CruiseParam());
    m_panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_panel));
    m_relay.reset(new QSignalSpy(m_panel.data(), &ControlWidget::SigUpdateParam));
}

void TestParamPopups::cleanup()
{
    if (m_translator) {
        QCoreApplication::removeTranslator(m_translator.get());
        m_translator.reset();
    }
    m_relay.reset();
    delete m_panel;
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
}

QWidget *TestParamPopups::PopupOf(Popup popup) const
{
    for (QWidget *child : m_panel->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (child->inherits(Info(popup).className))
            return child;
    }
    return nullptr;
}

QPushButton *TestParamPopups::ToggleOf(Popup popup) const
{
    return m_panel->findChild<QPushButton *>(QLatin1String(Info(popup).toggle));
}

// Drops the popup down with its toggle, as the operator does.
QWidget *TestParamPopups::Open(Popup popup)
{
    QPushButton *toggle = ToggleOf(popup);
    QTest::mouseClick(toggle, Qt::LeftButton);
    QWidget *window = PopupOf(popup);
    if (!toggle->isChecked() || !window->isVisible())
        return nullptr;
    return window;
}

// "name=text" sets a line edit, "name" toggles a check box.
void TestParamPopups::Edit(QWidget *popup, const QStringList &edits)
{
    for (const QString &edit : edits) {
        const QString name = edit.section(QLatin1Char('='), 0, 0);
        if (auto *lineEdit = popup->findChild<QLineEdit *>(name))
            lineEdit->setText(edit.section(QLatin1Char('='), 1));
        else if (auto *box = popup->findChild<QCheckBox *>(name))
            box->toggle();
        else
            QFAIL(qPrintable(QStringLiteral("no field ") + name));
    }
}

QStringList TestParamPopups::Fields(QWidget *popup)
{
    QStringList fields;
    for (QLineEdit *edit : popup->findChildren<QLineEdit *>())
        fields << edit->objectName() + QLatin1Char('=') + edit->text();
    for (QCheckBox *box : popup->findChildren<QCheckBox *>())
        fields << box->objectName() + (box->isChecked() ? QStringLiteral("=on") : QStringLiteral("=off"));
    fields.sort();
    return fields;
}

void TestParamPopups::Confirm(QWidget *popup)
{
    popup->findChild<QPushButton *>(QStringLiteral("pbConfirm"))->click();
}

void TestParamPopups::backgroundImage_data()
{
    QTest::addColumn<Popup>("popup");
    QTest::newRow("move") << Popup::Move;
    QTest::newRow("jog") << Popup::Jog;
    QTest::newRow("drive") << Popup::Drive;
    QTest::newRow("cruise") << Popup::Cruise;
}

// The translucent window shows its background image beside the fields.
void TestParamPopups::backgroundImage()
{
    QFETCH(Popup, popup);
    QWidget *window = PopupOf(popup);
    QVERIFY(window->testAttribute(Qt::WA_TranslucentBackground));
    const QImage image = window->grab().toImage();
    const QColor beside = image.pixelColor(4, image.height() / 2);
    QCOMPARE(beside.alpha(), 255);
    QVERIFY(beside.lightness() > 200);
}

void TestParamPopups::validators_data()
{
    QTest::addColumn<Popup>("popup");
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("decimal");

    QTest::newRow("move position") << Popup::Move << "lePosition" << true;
    QTest::newRow("move speed") << Popup::Move << "leSpeed" << true;
    QTest::newRow("move acc") << Popup::Move << "leAcc" << true;
    QTest::newRow("move jerk") << Popup::Move << "leJerk" << false;
    QTest::newRow("jog step") << Popup::Jog << "leJogStep" << true;
    QTest::newRow("jog delay") << Popup::Jog << "leJogDelay" << false;
    QTest::newRow("jog times") << Popup::Jog << "leJogTimes" << false;
    QTest::newRow("drive offset") << Popup::Drive << "leOffset" << true;
    QTest::newRow("drive speed") << Popup::Drive << "leSpeed" << true;
    QTest::newRow("drive acc") << Popup::Drive << "leAcc" << true;
    QTest::newRow("cruise begin") << Popup::Cruise << "leCruiseBeginPos" << true;
    QTest::newRow("cruise end") << Popup::Cruise << "leCruiseEndPos" << true;
    QTest::newRow("cruise stop time") << Popup::Cruise << "leCruiseStopTime" << false;
    QTest::newRow("cruise times") << Popup::Cruise << "leCruiseTimes" << false;
}

// Decimal fields take a fraction, integer fields refuse one and a leading zero.
void TestParamPopups::validators()
{
    QFETCH(Popup, popup);
    QFETCH(QString, field);
    QFETCH(bool, decimal);

    auto *edit = PopupOf(popup)->findChild<QLineEdit *>(field);
    QVERIFY(edit);
    const QValidator *validator = edit->validator();
    QVERIFY(validator);
    const auto state = [validator](QString text) {
        int pos = 0;
        return validator->validate(text, pos);
    };
    QCOMPARE(state("-12"), QValidator::Acceptable);
    QCOMPARE(state("0"), QValidator::Acceptable);
    QCOMPARE(state("x"), QValidator::Invalid);
    QCOMPARE(state("1e5"), QValidator::Invalid);
    QCOMPARE(state("-1.25"), decimal ? QValidator::Acceptable : QValidator::Invalid);
    QCOMPARE(state("007"), decimal ? QValidator::Acceptable : QValidator::Invalid);
}

void TestParamPopups::initParamsFillFields()
{
    MoveParam move { 12.5, 1.255f, 7.0f, 5, true };
    JogParam jog { 0.000123, 250, 16777215 };
    DriveParam drive { 3.25, 0.5f, 9.99f, true };
    CruiseParam cruise { 10.0, 0.000001, 1, 77 };
    m_panel->SetInitParams(move, jog, drive, cruise);

    QCOMPARE(Fields(PopupOf(Popup::Move)),
             QStringList({ "cbJerk=on", "leAcc=7.00", "leJerk=5", "lePosition=12.500000", "leSpeed=1.25" }));
    QCOMPARE(Fields(PopupOf(Popup::Jog)),
             QStringList({ "leJogDelay=250", "leJogStep=0.000123", "leJogTimes=16777215" }));
    QCOMPARE(Fields(PopupOf(Popup::Drive)),
             QStringList({ "cbOffset=on", "leAcc=9.99", "leOffset=3.250000", "leSpeed=0.50" }));
    QCOMPARE(Fields(PopupOf(Popup::Cruise)),
             QStringList({ "leCruiseBeginPos=10.000000", "leCruiseEndPos=0.000001", "leCruiseStopTime=1",
                           "leCruiseTimes=77" }));
}

void TestParamPopups::ranges_data()
{
    QTest::addColumn<Popup>("popup");
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("warning"); // empty: accepted

    const QString ok;
    const QString target13 = Warning("目标位置", "[0-13]!");
    const QString target6 = Warning("目标位置", "[0-6]!");
    QTest::newRow("target 13 of 13 mm") << Popup::Move << 3 << "lePosition=13" << ok;
    QTest::newRow("target above 13 mm") << Popup::Move << 3 << "lePosition=13.0000001" << target13;
    QTest::newRow("target 13 on 6 mm") << Popup::Move << 1 << "lePosition=13" << target6;
    QTest::newRow("target 6 of 6 mm") << Popup::Move << 1 << "lePosition=6" << ok;
    QTest::newRow("target above 6 mm") << Popup::Move << 1 << "lePosition=6.0000001" << target6;
    QTest::newRow("target negative") << Popup::Move << 3 << "lePosition=-0.5" << target13;
    QTest::newRow("target lone minus") << Popup::Move << 3 << "lePosition=-" << target13;
    const QString speed = Warning("速度值", "[0.01-2.00]!");
    QTest::newRow("move speed 2.00") << Popup::Move << 3 << "leSpeed=2.00" << ok;
    QTest::newRow("move speed 2.01") << Popup::Move << 3 << "leSpeed=2.01" << speed;
    QTest::newRow("move speed 0.009") << Popup::Move << 3 << "leSpeed=0.009" << speed;
    const QString acc = Warning("加速度值", "[0.01-10.00]!");
    QTest::newRow("move acc 10.00") << Popup::Move << 3 << "leAcc=10.00" << ok;
    QTest::newRow("move acc 0.009") << Popup::Move << 3 << "leAcc=0.009" << acc;
    const QString jerk = Warning("弓形参数", "[0-18]!");
    QTest::newRow("jerk 18") << Popup::Move << 3 << "leJerk=18" << ok;
    QTest::newRow("jerk 19") << Popup::Move << 3 << "leJerk=19" << jerk;
    QTest::newRow("jerk beyond int") << Popup::Move << 3 << "leJerk=99999999999" << jerk;

    const QString step6 = Warning("步进步长", "[0.000001-6.000000]!");
    QTest::newRow("step 6 of 6 mm") << Popup::Jog << 1 << "leJogStep=6" << ok;
    QTest::newRow("step 6.5 on 6 mm") << Popup::Jog << 1 << "leJogStep=6.5" << step6;
    QTest::newRow("step 13.5 on 13 mm")
        << Popup::Jog << 3 << "leJogStep=13.5" << Warning("步进步长", "[0.000001-13.000000]!");
    QTest::newRow("step 0.000001") << Popup::Jog << 1 << "leJogStep=0.000001" << ok;
    QTest::newRow("step 0.0000009") << Popup::Jog << 1 << "leJogStep=0.0000009" << step6;
    const QString delay = Warning("步进延时时间", "[1-16777215]!");
    QTest::newRow("jog delay 1") << Popup::Jog << 3 << "leJogDelay=1" << ok;
    QTest::newRow("jog delay 0") << Popup::Jog << 3 << "leJogDelay=0" << delay;
    const QString times = Warning("步进次数", "[1-16777215]!");
    QTest::newRow("jog times max") << Popup::Jog << 3 << "leJogTimes=16777215" << ok;
    QTest::newRow("jog times above max") << Popup::Jog << 3 << "leJogTimes=16777216" << times;

    const QString offset13 = Warning("相对位移值", "[0.000001-13.000000]!");
    QTest::newRow("offset 13 of 13 mm") << Popup::Drive << 3 << "leOffset=13" << ok;
    QTest::newRow("offset 13.5 on 13 mm") << Popup::Drive << 3 << "leOffset=13.5" << offset13;
    QTest::newRow("offset 0") << Popup::Drive << 3 << "leOffset=0" << offset13;
    QTest::newRow("offset 7 on 6 mm")
        << Popup::Drive << 1 << "leOffset=7" << Warning("相对位移值", "[0.000001-6.000000]!");
    QTest::newRow("drive speed 2.01") << Popup::Drive << 3 << "leSpeed=2.01" << speed;
    QTest::newRow("drive acc 0.009") << Popup::Drive << 3 << "leAcc=0.009" << acc;

    QTest::newRow("cruise end 6 of 6 mm") << Popup::Cruise << 1 << "leCruiseEndPos=6" << ok;
    QTest::newRow("cruise end 6.1 on 6 mm")
        << Popup::Cruise << 1 << "leCruiseEndPos=6.1" << Warning("巡航结束位置", "[0-6]!");
    QTest::newRow("cruise begin negative")
        << Popup::Cruise << 3 << "leCruiseBeginPos=-1" << Warning("巡航起始位置", "[0-13]!");
    QTest::newRow("cruise stop time 0")
        << Popup::Cruise << 3 << "leCruiseStopTime=0" << Warning("巡航停留时间", "[1-16777215]!");
    QTest::newRow("cruise times above max")
        << Popup::Cruise << 3 << "leCruiseTimes=16777216" << Warning("巡航次数", "[1-16777215]!");
}

// Accepted values are relayed; a refused one shows its warning and relays
// nothing, and the popup stays open with the refused text to correct.
void TestParamPopups::ranges()
{
    QFETCH(Popup, popup);
    QFETCH(int, model);
    QFETCH(QString, edit);
    QFETCH(QString, warning);

    m_panel->ApplyManualModel(model);
    QWidget *window = Open(popup);
    QVERIFY(window);
    Edit(window, { edit });
    BoxAnswerer answerer;
    Confirm(window);

    if (warning.isEmpty()) {
        QCOMPARE(answerer.texts, QStringList());
        QCOMPARE(m_relay->count(), 1);
        QCOMPARE(m_relay->at(0).at(0).toInt(), Info(popup).type);
        QVERIFY(!window->isVisible());
    } else {
        QCOMPARE(answerer.texts, QStringList({ warning }));
        QCOMPARE(m_relay->count(), 0);
        QVERIFY(window->isVisible());
        QVERIFY(Fields(window).contains(edit));
    }
}

void TestParamPopups::firstBadFieldOnly_data()
{
    QTest::addColumn<Popup>("popup");
    QTest::addColumn<QStringList>("edits");
    QTest::addColumn<QString>("warning");

    QTest::newRow("move: speed before jerk")
        << Popup::Move << QStringList({ "lePosition=5", "leSpeed=3", "leAcc=2", "leJerk=40", "cbJerk" })
        << Warning("速度值", "[0.01-2.00]!");
    QTest::newRow("move: target first")
        << Popup::Move << QStringList({ "lePosition=14", "leSpeed=3" }) << Warning("目标位置", "[0-13]!");
    QTest::newRow("jog: delay before count")
        << Popup::Jog << QStringList({ "leJogStep=2", "leJogDelay=0", "leJogTimes=0" })
        << Warning("步进延时时间", "[1-16777215]!");
    QTest::newRow("drive: offset with check box toggled")
        << Popup::Drive << QStringList({ "leOffset=13.5", "cbOffset", "leSpeed=1" })
        << Warning("相对位移值", "[0.000001-13.000000]!");
    QTest::newRow("drive: acc after good speed")
        << Popup::Drive << QStringList({ "leSpeed=1", "leAcc=11" }) << Warning("加速度值", "[0.01-10.00]!");
    QTest::newRow("cruise: begin before count")
        << Popup::Cruise << QStringList({ "leCruiseBeginPos=20", "leCruiseEndPos=3", "leCruiseTimes=0" })
        << Warning("巡航起始位置", "[0-13]!");
}

// Only the first bad field is reported; every edit stays for correction.
void TestParamPopups::firstBadFieldOnly()
{
    QFETCH(Popup, popup);
    QFETCH(QStringList, edits);
    QFETCH(QString, warning);

    QWidget *window = PopupOf(popup);
    Edit(window, edits);
    const QStringList edited = Fields(window);
    BoxAnswerer answerer;
    Confirm(window);

    QCOMPARE(answerer.texts, QStringList({ warning }));
    QCOMPARE(m_relay->count(), 0);
    QCOMPARE(Fields(window), edited);
}

void TestParamPopups::changeBits_data()
{
    QTest::addColumn<Popup>("popup");
    QTest::addColumn<QStringList>("edits");
    QTest::addColumn<int>("bits");

    QTest::newRow("move unchanged") << Popup::Move << QStringList() << 0;
    QTest::newRow("move target below 3e-7") << Popup::Move << QStringList({ "lePosition=4.0000002" }) << 0;
    QTest::newRow("move target above 3e-7") << Popup::Move << QStringList({ "lePosition=4.0000004" }) << 0x01;
    QTest::newRow("move speed 2.00 to 1.998") << Popup::Move << QStringList({ "leSpeed=1.998" }) << 0;
    QTest::newRow("move speed 2.00 to 1.996") << Popup::Move << QStringList({ "leSpeed=1.996" }) << 0x02;
    QTest::newRow("move acc") << Popup::Move << QStringList({ "leAcc=0.5" }) << 0x04;
    QTest::newRow("move jerk") << Popup::Move << QStringList({ "leJerk=3" }) << 0x10;
    QTest::newRow("move jerk check box only") << Popup::Move << QStringList({ "cbJerk" }) << 0x10;

    QTest::newRow("jog unchanged") << Popup::Jog << QStringList() << 0;
    QTest::newRow("jog step") << Popup::Jog << QStringList({ "leJogStep=1.5" }) << 0x01;
    QTest::newRow("jog delay") << Popup::Jog << QStringList({ "leJogDelay=999" }) << 0x02;
    QTest::newRow("jog count only") << Popup::Jog << QStringList({ "leJogTimes=3" }) << 0x04;

    QTest::newRow("drive unchanged") << Popup::Drive << QStringList() << 0;
    QTest::newRow("drive offset") << Popup::Drive << QStringList({ "leOffset=2" }) << 0x01;
    QTest::newRow("drive check box only") << Popup::Drive << QStringList({ "cbOffset" }) << 0x02;
    QTest::newRow("drive speed") << Popup::Drive << QStringList({ "leSpeed=1.5" }) << 0x04;
    QTest::newRow("drive acc") << Popup::Drive << QStringList({ "leAcc=1.004" }) << 0x08;
    QTest::newRow("drive acc 1.002") << Popup::Drive << QStringList({ "leAcc=1.002" }) << 0;

    QTest::newRow("cruise unchanged") << Popup::Cruise << QStringList() << 0;
    QTest::newRow("cruise begin above end")
        << Popup::Cruise << QStringList({ "leCruiseBeginPos=3", "leCruiseEndPos=1" }) << 0x03;
    QTest::newRow("cruise stop time") << Popup::Cruise << QStringList({ "leCruiseStopTime=5" }) << 0x04;
    QTest::newRow("cruise times") << Popup::Cruise << QStringList({ "leCruiseTimes=5" }) << 0x08;
}

// A valid confirm closes the popup and relays its type with the changed
// fields' bits, also when nothing changed.
void TestParamPopups::changeBits()
{
    QFETCH(Popup, popup);
    QFETCH(QStringList, edits);
    QFETCH(int, bits);

    QWidget *window = Open(popup);
    QVERIFY(window);
    Edit(window, edits);
    BoxAnswerer answerer;
    Confirm(window);

    QCOMPARE(answerer.texts, QStringList());
    QVERIFY(!window->isVisible());
    QCOMPARE(m_relay->count(), 1);
    QCOMPARE(m_relay->at(0).at(0).toInt(), Info(popup).type);
    QCOMPARE(m_relay->at(0).at(1).toInt(), bits);
}

void TestParamPopups::confirmStoresEveryField_data()
{
    QTest::addColumn<Popup>("popup");
    QTest::addColumn<QStringList>("edits");
    QTest::addColumn<int>("bits");
    QTest::addColumn<QStringList>("shown");

    QTest::newRow("move") << Popup::Move
                          << QStringList({ "lePosition=7.25", "leSpeed=1.234", "leAcc=5", "leJerk=18", "cbJerk" })
                          << 0x17
                          << QStringList({ "cbJerk=on", "leAcc=5.00", "leJerk=18", "lePosition=7.250000",
                                           "leSpeed=1.23" });
    QTest::newRow("jog") << Popup::Jog << QStringList({ "leJogStep=0.5", "leJogDelay=20", "leJogTimes=9" })
                         << 0x07 << QStringList({ "leJogDelay=20", "leJogStep=0.500000", "leJogTimes=9" });
    QTest::newRow("drive") << Popup::Drive
                           << QStringList({ "leOffset=0.25", "cbOffset", "leSpeed=0.75", "leAcc=9" }) << 0x0f
                           << QStringList({ "cbOffset=on", "leAcc=9.00", "leOffset=0.250000", "leSpeed=0.75" });
    QTest::newRow("cruise") << Popup::Cruise
                            << QStringList({ "leCruiseBeginPos=2", "leCruiseEndPos=12", "leCruiseStopTime=100",
                                             "leCruiseTimes=1" })
                            << 0x0f
                            << QStringList({ "leCruiseBeginPos=2.000000", "leCruiseEndPos=12.000000",
                                             "leCruiseStopTime=100", "leCruiseTimes=1" });
}

// The confirmed values become the held group that "还原" shows.
void TestParamPopups::confirmStoresEveryField()
{
    QFETCH(Popup, popup);
    QFETCH(QStringList, edits);
    QFETCH(int, bits);
    QFETCH(QStringList, shown);

    QWidget *window = Open(popup);
    QVERIFY(window);
    Edit(window, edits);
    Confirm(window);
    QCOMPARE(m_relay->count(), 1);
    QCOMPARE(m_relay->at(0).at(1).toInt(), bits);

    for (QLineEdit *edit : window->findChildren<QLineEdit *>())
        edit->setText(QStringLiteral("1"));
    for (QCheckBox *box : window->findChildren<QCheckBox *>())
        box->toggle();
    QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("pbRestore")), Qt::LeftButton);
    QCOMPARE(Fields(window), shown);
}

// A value with more decimals than shown is not changed by confirming the
// field as it is shown.
void TestParamPopups::unchangedTextKeepsHeldValue()
{
    auto *move = m_panel->findChild<MoveParamWidget *>();
    move->SetParam({ 4.1234567, 1.234f, 2.0f, 0, false });
    QCOMPARE(Fields(move).filter("le"),
             QStringList({ "leAcc=2.00", "leJerk=0", "lePosition=4.123457", "leSpeed=1.23" }));
    Confirm(move);
    QCOMPARE(m_relay->count(), 1);
    QCOMPARE(m_relay->at(0).at(1).toInt(), 0);

    // The held speed is still 1.234: 1.2365 is within 0.003 of it, 1.23 is not.
    move->findChild<QLineEdit *>(QStringLiteral("leSpeed"))->setText(QStringLiteral("1.2365"));
    Confirm(move);
    QCOMPARE(m_relay->count(), 2);
    QCOMPARE(m_relay->at(1).at(1).toInt(), 0);
}

void TestParamPopups::speedAndAccKeptInStep()
{
    QWidget *move = PopupOf(Popup::Move);
    QWidget *drive = PopupOf(Popup::Drive);
    const auto text = [](QWidget *popup, const char *name) {
        return popup->findChild<QLineEdit *>(QLatin1String(name))->text();
    };

    // Drive speed 0x04 reaches the move popup, which then sees no change.
    Edit(drive, { "leSpeed=1.5" });
    Confirm(drive);
    QCOMPARE(m_relay->takeFirst(), QVariantList({ 8, 0x04 }));
    QCOMPARE(text(move, "leSpeed"), QStringLiteral("1.50"));
    QCOMPARE(text(move, "leAcc"), QStringLiteral("1.00"));
    Confirm(move);
    QCOMPARE(m_relay->takeFirst(), QVariantList({ 4, 0 }));

    // Move acceleration 0x04 reaches the drive popup with 2 decimals.
    Edit(move, { "leAcc=3.456" });
    Confirm(move);
    QCOMPARE(m_relay->takeFirst(), QVariantList({ 4, 0x04 }));
    QCOMPARE(text(drive, "leAcc"), QStringLiteral("3.46"));
    QCOMPARE(text(drive, "leSpeed"), QStringLiteral("1.50"));
    Confirm(drive);
    QCOMPARE(m_relay->takeFirst(), QVariantList({ 8, 0 }));

    // Other drive fields leave the move popup's fields alone.
    Edit(move, { "leSpeed=0.5" });
    Edit(drive, { "leOffset=2", "cbOffset" });
    Confirm(drive);
    QCOMPARE(m_relay->takeFirst(), QVariantList({ 8, 0x03 }));
    QCOMPARE(text(move, "leSpeed"), QStringLiteral("0.5"));
}

void TestParamPopups::dismissalRestoresAndCloses_data()
{
    QTest::addColumn<Popup>("popup");
    QTest::addColumn<QStringList>("edits");

    QTest::newRow("move") << Popup::Move << QStringList({ "lePosition=1", "cbJerk" });
    QTest::newRow("jog") << Popup::Jog << QStringList({ "leJogTimes=9" });
    QTest::newRow("drive") << Popup::Drive << QStringList({ "leSpeed=0.2", "cbOffset" });
    QTest::newRow("cruise") << Popup::Cruise << QStringList({ "leCruiseEndPos=9" });
}

// Dropped below its toggle; losing the active state drops the edits.
void TestParamPopups::dismissalRestoresAndCloses()
{
    QFETCH(Popup, popup);
    QFETCH(QStringList, edits);

    QWidget *window = Open(popup);
    QVERIFY(window);
    QPushButton *toggle = ToggleOf(popup);
    QCOMPARE(window->pos(), toggle->mapToGlobal(QPoint(Info(popup).dx, toggle->height())));
    const QStringList held = Fields(window);
    Edit(window, edits);

    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(window, &deactivate);
    QVERIFY(!window->isVisible());
    QVERIFY(!toggle->isChecked());
    QCOMPARE(Fields(window), held);
    QCOMPARE(m_relay->count(), 0);
}

void TestParamPopups::enterConfirms()
{
    QWidget *window = Open(Popup::Jog);
    QVERIFY(window);
    window->activateWindow();
    QTRY_VERIFY(window->isActiveWindow());
    auto *times = window->findChild<QLineEdit *>(QStringLiteral("leJogTimes"));
    times->setFocus();
    QTest::keyClicks(times, QStringLiteral("5"));
    QTest::keyClick(times, Qt::Key_Return);
    QTRY_COMPARE(m_relay->count(), 1);
    QCOMPARE(m_relay->at(0), QVariantList({ 6, 0x04 }));
    QVERIFY(!window->isVisible());
}

// Starting locks the panel's motion buttons and the start button for 100 ms;
// while they are locked, Enter starts nothing.
void TestParamPopups::cruiseStartLocksButtons()
{
    QWidget *window = Open(Popup::Cruise);
    QVERIFY(window);
    auto *start = window->findChild<QPushButton *>(QStringLiteral("pbConfirm"));
    auto *move = m_panel->findChild<QPushButton *>(QStringLiteral("pbMove"));
    Confirm(window);
    QCOMPARE(m_relay->takeFirst(), QVariantList({ 9, 0 }));
    QVERIFY(!start->isEnabled());
    QVERIFY(!move->isEnabled());
    QTRY_VERIFY(start->isEnabled());
    QVERIFY(move->isEnabled());

    // Control disabled by the device: locked until it is enabled again.
    m_panel->UpdateStatus(false, false, false, true, true);
    QVERIFY(!start->isEnabled());
    window->show();
    window->activateWindow();
    QTRY_VERIFY(window->isActiveWindow());
    QTest::keyClick(window, Qt::Key_Return);
    QVERIFY(!start->isDown());
    QTest::qWait(150);
    QCOMPARE(m_relay->count(), 0);

    m_panel->UpdateStatus(false, false, false, false, true);
    QVERIFY(start->isEnabled());
    QTest::keyClick(window, Qt::Key_Return);
    QTRY_COMPARE(m_relay->count(), 1);
    QCOMPARE(m_relay->takeFirst(), QVariantList({ 9, 0 }));
}

void TestParamPopups::cruiseOpensDialogs()
{
    QWidget *window = Open(Popup::Cruise);
    QVERIFY(window);
    QWidget *btnDialog = m_panel->findChild<QWidget *>(QStringLiteral("BtnParamWidget"));
    QWidget *triDialog = m_panel->findChild<QWidget *>(QStringLiteral("TriParamWidget"));
    QVERIFY(btnDialog && triDialog);

    QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("pbBtnParam")), Qt::LeftButton);
    QVERIFY(btnDialog->isVisible());
    QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("pbDevParam")), Qt::LeftButton);
    QVERIFY(triDialog->isVisible());
}

void TestParamPopups::translatedInPopupContext_data()
{
    QTest::addColumn<Popup>("popup");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("warning");

    QTest::newRow("move") << Popup::Move << "lbPosition" << "lePosition=20"
                          << "MoveParamWidget|目标位置 超出限制范围\n[0-13]!";
    QTest::newRow("jog") << Popup::Jog << "lbJogStep" << "leJogDelay=0"
                         << "JogParamWidget|步进延时时间 超出限制范围\n[1-16777215]!";
    QTest::newRow("drive") << Popup::Drive << "lbSpeed" << "leSpeed=5"
                           << "DriveParamWidget|速度值 超出限制范围\n[0.01-2.00]!";
    QTest::newRow("cruise") << Popup::Cruise << "lbCruise" << "leCruiseTimes=0"
                            << "CruiseCtrlWidget|巡航次数 超出限制范围\n[1-16777215]!";
}

// Form texts and warnings are looked up under the popup's own class name.
void TestParamPopups::translatedInPopupContext()
{
    QFETCH(Popup, popup);
    QFETCH(QString, label);
    QFETCH(QString, edit);
    QFETCH(QString, warning);

    QWidget *window = PopupOf(popup);
    auto *lb = window->findChild<QLabel *>(label);
    QVERIFY(lb);
    const QString source = lb->text();
    m_translator.reset(new ContextTranslator);
    QCoreApplication::installTranslator(m_translator.get());
    QTRY_COMPARE(lb->text(), QLatin1String(Info(popup).className) + QLatin1Char('|') + source);

    Edit(window, { edit });
    BoxAnswerer answerer;
    Confirm(window);
    QCOMPARE(answerer.texts, QStringList({ warning }));
}

// End to end on a simulated 13 mm device: the confirmed target is pushed,
// and the move button takes the slide there.
void TestParamPopups::confirmedTargetMovesDevice()
{
    delete m_panel;
    simReset();
    simUseManualClock(1);
    const int handle = simAttach("POPUP-E2E", 3, 1);
    QVERIFY(handle > 0);
    QCOMPARE(openDev(handle), 0);

    m_panel = new ControlWidget;
    ConnectWarnings();
    m_panel->SetDevInfo({ QStringLiteral("POPUP-E2E"), handle, true });
    m_panel->SetInitParams(MoveParam(), JogParam(), DriveParam(), CruiseParam());
    m_panel->show();
    QTRY_COMPARE(m_panel->GetTravel(), 13);
    m_relay.reset(new QSignalSpy(m_panel.data(), &ControlWidget::SigUpdateParam));

    QWidget *move = Open(Popup::Move);
    QVERIFY(move);
    Edit(move, { "lePosition=5" });
    Confirm(move);
    QCOMPARE(m_relay->count(), 1);
    const QString pushed = QStringLiteral("setTargetPos(%1, 5)").arg(handle);
    QTRY_VERIFY(Journal().contains(pushed));

    auto *pbMove = m_panel->findChild<QPushButton *>(QStringLiteral("pbMove"));
    QTRY_VERIFY(pbMove->isEnabled());
    QTest::mouseClick(pbMove, Qt::LeftButton);
    QTRY_VERIFY(Journal().contains(QStringLiteral("move(%1)").arg(handle)));
    simAdvanceClock(20000);
    QCOMPARE(getPositon(handle), 5.0);
    auto *position = m_panel->findChild<QLabel *>(QStringLiteral("lbCurrentPos"));
    QTRY_COMPARE(position->text(), QStringLiteral("5.000000mm"));

    // Starting the cruise from its popup reaches the device too.
    QWidget *cruise = Open(Popup::Cruise);
    QVERIFY(cruise);
    QTRY_VERIFY(cruise->findChild<QPushButton *>(QStringLiteral("pbConfirm"))->isEnabled());
    Confirm(cruise);
    QTRY_VERIFY(Journal().contains(QStringLiteral("cruise(%1)").arg(handle)));
}

QTEST_MAIN(TestParamPopups)
#include "tst_parampopups.moc"

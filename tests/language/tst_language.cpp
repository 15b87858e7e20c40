// Language switching of the whole program with the real English catalogue:
// every open window re-labels itself at once, run-time texts stay as they
// were written, and a stored English choice is in force before the main
// window is shown.
#include "app/MainWidget.h"
#include "console/DebugWidget.h"
#include "discovery/AddDevWidget.h"
#include "misc/HelpWidget.h"
#include "misc/OptionWidget.h"
#include "panel/BtnParamWidget.h"
#include "panel/ControlWidget.h"
#include "panel/CruiseCtrlWidget.h"
#include "panel/DriveParamWidget.h"
#include "panel/JogParamWidget.h"
#include "panel/MoveParamWidget.h"
#include "panel/TriParamWidget.h"
#include "sim/ActuatorSimControl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSettings>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionGroupBox>
#include <QTextBrowser>
#include <QTextDocument>
#include <QtTest>

#include <memory>

namespace {

QString AppDir() { return QCoreApplication::applicationDirPath(); }
QString IniPath() { return AppDir() + QStringLiteral("/appConfig.ini"); }

QString Serial(int i)
{
    return QStringLiteral("ORV 2024051700%1").arg(i, 2, 10, QLatin1Char('0'));
}

int StoredType()
{
    return QSettings(IniPath(), QSettings::IniFormat).value(QStringLiteral("language/type"), -1).toInt();
}

// The text a person reads on a widget; combo boxes give all their items.
QString TextOf(QWidget *w)
{
    if (auto *label = qobject_cast<QLabel *>(w))
        return label->text();
    if (auto *button = qobject_cast<QAbstractButton *>(w))
        return button->text();
    if (auto *box = qobject_cast<QGroupBox *>(w))
        return box->title();
    if (auto *combo = qobject_cast<QComboBox *>(w)) {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        return items.join(QLatin1Char('|'));
    }
    return w->windowTitle();
}

struct Label
{
    const char *window; // class of the window that owns the widget
    const char *object;
    const char *chinese;
    const char *english;
};

// A sample of every window's form texts that re-label on a language change.
const Label kLabels[] = {
    {"ControlWidget", "lbDoing", "运行中", "Running"},
    {"ControlWidget", "lbOrigin", "已归零", "Homed"},
    {"AddDevWidget", "lbTitle", "添加设备", "Add device"},
    {"AddDevWidget", "pbScanDev", "扫描设备", "Scan for devices"},
    {"AddDevWidget", "pbConfirm", "确定", "OK"},
    {"MoveParamWidget", "lbPosition", "位置:", "Position:"},
    {"MoveParamWidget", "cbJerk", "弓形参数:", "Jerk:"},
    {"MoveParamWidget", "pbRestore", "还原", "Restore"},
    {"JogParamWidget", "lbJogTimes", "步进次数：", "Count:"},
    {"JogParamWidget", "pbConfirm", "确认", "OK"},
    {"DriveParamWidget", "cbOffset", "相对位移:", "Offset:"},
    {"DriveParamWidget", "lbAcc", "加速度:", "Accel.:"},
    {"CruiseCtrlWidget", "lbCruiseStopTime", "停留时间：", "Dwell time:"},
    {"CruiseCtrlWidget", "pbConfirm", "启动", "Start"},
    {"BtnParamWidget", "lbTitle", "离线参数", "Offline parameters"},
    {"BtnParamWidget", "cbMode", "速度模式|步进模式|位置模式", "Speed|Step|Position"},
    {"BtnParamWidget", "lbLightLev", "背光亮度等级", "Brightness"},
    {"TriParamWidget", "lbTitle", "设备配置", "Device configuration"},
    {"TriParamWidget", "cbOutMoveMode_2", "电机运动|达到指定位置|达到最大速度",
     "Moving|At position|Max speed"},
    {"TriParamWidget", "lbModelTitle", "促动器型号：", "Model:"},
    {"HelpWidget", "lbTitle", "帮助", "Help"},
    {"HelpWidget", "lbVerStr", "软件版本：", "Version:"},
    {"OptionWidget", "lbTitle", "设置", "Settings"},
    {"OptionWidget", "rbEn", "英文", "English"},
    {"DebugWidget", "gbDevList", "设备列表", "Devices"},
    {"DebugWidget", "pbOpenDev", "打开", "Open"},
};

// Every widget of the given class under root (root itself included).
QList<QWidget *> Windows(QWidget *root, const char *className)
{
    QList<QWidget *> found;
    if (root->inherits(className))
        found << root;
    for (QWidget *w : root->findChildren<QWidget *>()) {
        if (w->inherits(className))
            found << w;
    }
    return found;
}

// "Window/object: text" for each sampled label, in table order; a window
// that exists more than once (one per panel) is listed as often.
QStringList Texts(QWidget *root)
{
    QStringList texts;
    for (const Label &label : kLabels) {
        const QList<QWidget *> windows = Windows(root, label.window);
        if (windows.isEmpty())
            texts << QStringLiteral("%1: no such window").arg(QLatin1String(label.window));
        for (QWidget *window : windows) {
            auto *w = window->findChild<QWidget *>(QLatin1String(label.object));
            texts << QStringLiteral("%1/%2: %3")
                             .arg(QLatin1String(label.window), QLatin1String(label.object),
                                  w ? TextOf(w) : QStringLiteral("(missing)"));
        }
    }
    return texts;
}

QStringList Expected(QWidget *root, bool english)
{
    QStringList texts;
    for (const Label &label : kLabels) {
        for (int i = 0; i < Windows(root, label.window).size(); ++i) {
            texts << QStringLiteral("%1/%2: %3")
                             .arg(QLatin1String(label.window), QLatin1String(label.object),
                                  QString::fromUtf8(english ? label.english : label.chinese));
        }
    }
    return texts;
}

struct BoxSeen
{
    QString title;
    QString text;
    QStringList buttons;
};

// Answers the next message box once it is shown: records it (and saves a
// picture of it when a file is named) and presses the button in the reject role.
void AnswerReject(BoxSeen *seen, const QString &picture = QString())
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, seen, picture]() {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        if (!picture.isEmpty())
            box->grab().save(picture);
        seen->title = box->windowTitle();
        seen->text = box->text();
        QAbstractButton *reject = nullptr;
        for (QAbstractButton *b : box->buttons()) {
            seen->buttons << b->text();
            if (box->buttonRole(b) == QMessageBox::RejectRole)
                reject = b;
        }
        seen->buttons.sort();
        if (reject)
            reject->click();
    });
    timer->start();
}

// Width and height a text needs in the widget's font: the widest line and, for
// several lines, their stack; for a word-wrapped label the block wrapped to the
// given width.
QSize TextSize(QWidget *w, const QString &text, bool rich, int wrapWidth = 0)
{
    if (rich) {
        QTextDocument doc;
        doc.setDefaultFont(w->font());
        doc.setDocumentMargin(0);
        doc.setHtml(text);
        return QSize(qCeil(doc.idealWidth()), 0);
    }
    const QFontMetrics fm = w->fontMetrics();
    if (wrapWidth > 0)
        return fm.boundingRect(QRect(0, 0, wrapWidth, 100000), Qt::TextWordWrap, text).size();
    int width = 0;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        // The room after the last glyph's ink may be cut off unseen.
        const int after = line.isEmpty() ? 0 : qMax(0, fm.rightBearing(line.back()));
        width = qMax(width, fm.horizontalAdvance(line) - after);
    }
    return QSize(width, lines.size() > 1 ? fm.height() * lines.size() : 0);
}

// "window/object: text (needs w x h, has w x h)" for each label, button,
// check box, radio button, group box title and combo item of the window whose
// text does not fit the room its widget gives it (style-sheet padding and
// borders taken off by the style).
QStringList Overflows(QWidget *window)
{
    QStringList found;
    const QString where = QLatin1String(window->metaObject()->className()) + QLatin1Char('/');
    auto check = [&](QWidget *w, const QString &text, QSize needed, QRect room) {
        if (needed.width() > room.width() || needed.height() > room.height() + 2)
            found << QStringLiteral("%1%2: \"%3\" (needs %4 x %5, has %6 x %7)")
                             .arg(where, w->objectName(), text)
                             .arg(needed.width()).arg(needed.height()).arg(room.width()).arg(room.height());
    };
    QList<QWidget *> widgets = window->findChildren<QWidget *>();
    for (QWidget *w : qAsConst(widgets)) {
        if (w->window() != window)
            continue;
        // Laid-out widgets count while shown; fixed-geometry ones always (a
        // window shows some of them only in one mode).
        QWidget *parent = w->parentWidget();
        if (!w->isVisibleTo(window) && !(parent && !parent->layout() && parent->isVisibleTo(window)))
            continue;
        w->ensurePolished();
        if (auto *label = qobject_cast<QLabel *>(w)) {
            const QString text = label->text();
            if (text.isEmpty())
                continue;
            const bool rich = label->textFormat() == Qt::RichText
                              || (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text));
            const QRect room = label->contentsRect().adjusted(label->indent() > 0 ? label->indent() : 0, 0, 0, 0);
            QSize needed = TextSize(label, text, rich, label->wordWrap() ? room.width() : 0);
            if (label->wordWrap())
                needed.setWidth(qMin(needed.width(), room.width()));
            check(label, text, needed, room);
        } else if (auto *button = qobject_cast<QAbstractButton *>(w)) {
            if (button->text().isEmpty())
                continue;
            QStyleOptionButton opt;
            opt.initFrom(button);
            opt.text = button->text();
            const bool isCheck = qobject_cast<QCheckBox *>(button) != nullptr;
            const bool isRadio = qobject_cast<QRadioButton *>(button) != nullptr;
            const QStyle::SubElement element = isCheck   ? QStyle::SE_CheckBoxContents
                                               : isRadio ? QStyle::SE_RadioButtonContents
                                                         : QStyle::SE_PushButtonContents;
            QSize needed = TextSize(button, button->text(), false);
            if (!button->icon().isNull() && !isCheck && !isRadio)
                needed.rwidth() += button->iconSize().width() + 4;
            check(button, button->text(), needed, button->style()->subElementRect(element, &opt, button));
        } else if (auto *box = qobject_cast<QGroupBox *>(w)) {
            if (box->title().isEmpty())
                continue;
            QStyleOptionGroupBox opt;
            opt.initFrom(box);
            opt.text = box->title();
            opt.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
            opt.textAlignment = box->alignment();
            const QRect frame = box->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxFrame, box);
            const QRect label = box->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, box);
            check(box, box->title(), QSize(label.right() + 1, 0), QRect(0, 0, frame.right() + 1, 0));
        } else if (auto *combo = qobject_cast<QComboBox *>(w)) {
            QStyleOptionComboBox opt;
            opt.initFrom(combo);
            opt.editable = combo->isEditable();
            opt.frame = combo->hasFrame();
            const QRect room = combo->style()->subControlRect(QStyle::CC_ComboBox, &opt,
                                                              QStyle::SC_ComboBoxEditField, combo);
            for (int i = 0; i < combo->count(); ++i) {
                const QString text = combo->itemText(i);
                check(combo, text, QSize(combo->fontMetrics().horizontalAdvance(text), 0), QRect(0, 0, room.width(), 0));
            }
        }
    }
    return found;
}

QString LogOf(ControlWidget *panel)
{
    return panel->findChild<QTextBrowser *>(QStringLiteral("textBrowser"))->toPlainText();
}

} // namespace

class TestLanguage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void storedEnglishAppliesBeforeShow();
    void switchRelabelsOpenWindows();
    void textsFitTheirWidgets();
    void screenshots();

private:
    void OpenTwoPanels();
    QList<ControlWidget *> Panels() const;
    void ClickRadio(const char *name);

    std::unique_ptr<MainWidget> m_window;
    QList<int> m_handles;
};

void TestLanguage::initTestCase()
{
    const QString qm = AppDir() + QStringLiteral("/en_US.qm");
    QFile::remove(qm);
    QVERIFY(QFile::copy(QStringLiteral(PROGRAM_QM_FILE), qm));
    QFile::remove(AppDir() + QStringLiteral("/devConfig.json"));
}

void TestLanguage::init()
{
    simReset();
    QFile::remove(IniPath());
}

void TestLanguage::cleanup()
{
    m_window.reset();
    // The panels' workers close their devices before the next reset.
    for (int h : qAsConst(m_handles))
        QTRY_COMPARE_WITH_TIMEOUT(isDevOpen(h), 0, 5000);
    m_handles.clear();
    QFile::remove(IniPath());
}

QList<ControlWidget *> TestLanguage::Panels() const
{
    QList<ControlWidget *> panels = m_window->findChildren<ControlWidget *>();
    std::sort(panels.begin(), panels.end(),
              [](ControlWidget *a, ControlWidget *b) { return a->x() < b->x(); });
    return panels;
}

// Shows the main window, picks two simulated devices in the add-device dialog
// and waits until both workers have initialised their devices.
void TestLanguage::OpenTwoPanels()
{
    m_handles << simAttach(qPrintable(Serial(1)), 3, 1) << simAttach(qPrintable(Serial(2)), 1, 1);
    m_window.reset(new MainWidget);
    m_window->move(40, 40);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));

    QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("pbAddDev")), Qt::LeftButton);
    auto *dialog = m_window->findChild<AddDevWidget *>();
    QVERIFY(dialog->isVisible());
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("pbDevInfo_0")), Qt::LeftButton);
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("pbDevInfo_1")), Qt::LeftButton);
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("pbConfirm")), Qt::LeftButton);
    QCOMPARE(Panels().size(), 2);
    for (ControlWidget *panel : Panels()) {
        QTRY_VERIFY_WITH_TIMEOUT(LogOf(panel).contains(QStringLiteral("初始化运动轴参数成功"))
                                         || LogOf(panel).contains(QStringLiteral("Axis parameters initialized")),
                                 5000);
    }
}

void TestLanguage::ClickRadio(const char *name)
{
    m_window->ShowSettingWindow();
    auto *options = m_window->findChild<OptionWidget *>();
    QVERIFY(QTest::qWaitForWindowExposed(options));
    QTest::mouseClick(options->findChild<QRadioButton *>(QLatin1String(name)), Qt::LeftButton);
    options->close();
    // The toolkit posts the language change to every window.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
}

void TestLanguage::storedEnglishAppliesBeforeShow()
{
    {
        QSettings settings(IniPath(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("language/type"), 1);
    }
    m_window.reset(new MainWidget);

    // Windows built after the options window come up in English at once.
    auto *options = m_window->findChild<OptionWidget *>();
    QVERIFY(options->findChild<QRadioButton *>(QStringLiteral("rbEn"))->isChecked());
    QCOMPARE(options->findChild<QLabel *>(QStringLiteral("lbTitle"))->text(), QStringLiteral("Settings"));
    auto *dialog = m_window->findChild<AddDevWidget *>();
    QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("lbTitle"))->text(), QStringLiteral("Add device"));
    QCOMPARE(dialog->findChild<QPushButton *>(QStringLiteral("pbScanDev"))->text(),
             QStringLiteral("Scan for devices"));
    auto *console = m_window->findChild<DebugWidget *>();
    QCOMPARE(console->findChild<QGroupBox *>(QStringLiteral("gbDevList"))->title(), QStringLiteral("Devices"));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Form"));

    // The help window, built before the translator, follows with the language
    // change the toolkit posted, ahead of the first paint.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    QCOMPARE(Texts(m_window.get()).filter(QStringLiteral("HelpWidget/")),
             Expected(m_window.get(), true).filter(QStringLiteral("HelpWidget/")));
    QVERIFY(!m_window->isVisible());
    QCOMPARE(StoredType(), 1);
}

void TestLanguage::switchRelabelsOpenWindows()
{
    OpenTwoPanels();
    const QList<ControlWidget *> panels = Panels();
    // The window fits the screen; a panel's button is scrolled into view first.
    const auto click = [this](ControlWidget *panel, const char *name) {
        auto *button = panel->findChild<QPushButton *>(QLatin1String(name));
        m_window->findChild<QScrollArea *>()->ensureWidgetVisible(button);
        QTest::mouseClick(button, Qt::LeftButton);
    };
    auto *help = m_window->findChild<HelpWidget *>();
    m_window->ShowHelpWindow();
    QVERIFY(QTest::qWaitForWindowExposed(help));
    auto *trigger = panels.at(1)->findChild<TriParamWidget *>();
    panels.at(1)->ShowTriParam();
    QVERIFY(QTest::qWaitForWindowExposed(trigger));
    QCOMPARE(Texts(m_window.get()), Expected(m_window.get(), false));

    const QString tab = m_window->findChild<QPushButton *>(QStringLiteral("pbDev1"))->text();
    const QString model = panels.at(0)->findChild<QLabel *>(QStringLiteral("lbActModel"))->text();
    QVERIFY(!model.isEmpty());

    ClickRadio("rbEn");
    QCOMPARE(StoredType(), 1);
    QCOMPARE(Texts(m_window.get()), Expected(m_window.get(), true));
    QVERIFY(help->isVisible());
    QVERIFY(trigger->isVisible());
    QCOMPARE(help->findChild<QLabel *>(QStringLiteral("lbManual"))->text(),
             QStringLiteral("<a style='color: blue; text-decoration: none' "
                            "href = /help/KESTA-ORV_Actuator_Controller_User_Manual.pdf>Open</a>"));

    // Texts written at run time stay as they were: device names, values, log.
    QCOMPARE(panels.at(0)->findChild<QLabel *>(QStringLiteral("lbDevInfo"))->text(), Serial(1));
    QCOMPARE(m_window->findChild<QPushButton *>(QStringLiteral("pbDev1"))->text(), tab);
    QCOMPARE(panels.at(0)->findChild<QLabel *>(QStringLiteral("lbActModel"))->text(), model);
    QVERIFY(LogOf(panels.at(0)).contains(QStringLiteral("初始化运动轴参数成功")));

    // New log lines and message boxes come in English.
    click(panels.at(1), "pbHome");
    QTRY_VERIFY_WITH_TIMEOUT(LogOf(panels.at(1)).contains(QStringLiteral("\nHome  succeeded")), 5000);
    BoxSeen seen;
    AnswerReject(&seen);
    click(panels.at(0), "pbRemove");
    QCOMPARE(seen.title, QStringLiteral("Notice"));
    QCOMPARE(seen.text, QStringLiteral("Close this control panel?"));
    QCOMPARE(seen.buttons, (QStringList{"Cancel", "OK"}));
    QCOMPARE(Panels().size(), 2);

    ClickRadio("rbCn");
    QCOMPARE(StoredType(), 0);
    QCOMPARE(Texts(m_window.get()), Expected(m_window.get(), false));
    click(panels.at(0), "pbHome");
    QTRY_VERIFY_WITH_TIMEOUT(LogOf(panels.at(0)).contains(QStringLiteral("\n回原点  操作成功")), 5000);
    BoxSeen again;
    AnswerReject(&again);
    click(panels.at(0), "pbRemove");
    QCOMPARE(again.title, QStringLiteral("提示"));
    QCOMPARE(again.buttons, (QStringList{"取消", "确认"}));
}

// Every window of the program (main window, panels, their popups and dialogs,
// the secondary windows), shown in turn, in both languages.
void TestLanguage::textsFitTheirWidgets()
{
    OpenTwoPanels();
    QStringList overflows;
    for (const char *language : {"rbCn", "rbEn"}) {
        ClickRadio(language);
        QList<QWidget *> windows{m_window.get()};
        for (QWidget *w : m_window->findChildren<QWidget *>()) {
            if (w->isWindow() && !qobject_cast<QComboBox *>(w->parentWidget())) // not a combo's list
                windows << w;
        }
        QVERIFY(windows.size() >= 10);
        for (QWidget *window : qAsConst(windows)) {
            const bool shown = window->isVisible();
            window->show();
            QVERIFY2(QTest::qWaitForWindowExposed(window), window->metaObject()->className());
            const QStringList found = Overflows(window);
            for (const QString &overflow : found)
                overflows << QLatin1String(language + 2) + QLatin1Char(' ') + overflow;
            if (!shown)
                window->hide();
        }
    }
    overflows.removeDuplicates(); // the same text on each of the two panels
    for (const QString &overflow : qAsConst(overflows))
        qWarning("%s", qPrintable(overflow));
    QVERIFY2(overflows.isEmpty(), "texts wider than their widgets, listed above");
}

// Pictures of every window in both languages for a person to look at; runs
// only when ACTUATOR_SHOTS_DIR names a folder (best under a real X server).
void TestLanguage::screenshots()
{
    const QString dir = qEnvironmentVariable("ACTUATOR_SHOTS_DIR");
    if (dir.isEmpty())
        QSKIP("set ACTUATOR_SHOTS_DIR to take screenshots");
    QVERIFY(QDir().mkpath(dir));
    OpenTwoPanels();
    ControlWidget *panel = Panels().at(0);
    const auto shoot = [&dir](QWidget *w, const QString &name) {
        QTest::qWait(200);
        QVERIFY(w->grab().save(QStringLiteral("%1/%2.png").arg(dir, name)));
    };
    const auto popup = [&](const char *toggle, QWidget *w, const QString &name) {
        auto *button = panel->findChild<QPushButton *>(QLatin1String(toggle));
        button->click();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        shoot(w, name);
        if (w->isVisible())
            button->click();
    };
    for (const QString &lang : {QStringLiteral("cn"), QStringLiteral("en")}) {
        if (lang == QLatin1String("en"))
            ClickRadio("rbEn");
        const int lines = LogOf(panel).count(QLatin1Char('\n'));
        panel->findChild<QPushButton *>(QStringLiteral("pbHome"))->click();
        QTRY_VERIFY(LogOf(panel).count(QLatin1Char('\n')) > lines);
        shoot(m_window.get(), QStringLiteral("main_%1").arg(lang));
        popup("pbMoveParam", panel->findChild<MoveParamWidget *>(), QStringLiteral("move_%1").arg(lang));
        popup("pbJogParam", panel->findChild<JogParamWidget *>(), QStringLiteral("jog_%1").arg(lang));
        popup("pbDriveParam", panel->findChild<DriveParamWidget *>(), QStringLiteral("drive_%1").arg(lang));
        popup("pbSetting", panel->findChild<CruiseCtrlWidget *>(), QStringLiteral("cruise_%1").arg(lang));
        for (QWidget *dialog : QList<QWidget *>{panel->findChild<BtnParamWidget *>(),
                                                panel->findChild<TriParamWidget *>()}) {
            dialog->show();
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            shoot(dialog, QStringLiteral("%1_%2").arg(QLatin1String(dialog->metaObject()->className()), lang));
            dialog->close();
        }
        const QList<QWidget *> windows{m_window->findChild<HelpWidget *>(), m_window->findChild<OptionWidget *>(),
                                       m_window->findChild<AddDevWidget *>()};
        for (QWidget *w : windows) {
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w));
            shoot(w, QStringLiteral("%1_%2").arg(QLatin1String(w->metaObject()->className()), lang));
            w->close();
        }
        BoxSeen seen;
        AnswerReject(&seen, QStringLiteral("%1/MessageBox_%2.png").arg(dir, lang));
        panel->findChild<QPushButton *>(QStringLiteral("pbRemove"))->click();
    }
    // Started in English: log lines in English too.
    cleanup();
    simReset();
    QSettings(IniPath(), QSettings::IniFormat).setValue(QStringLiteral("language/type"), 1);
    OpenTwoPanels();
    shoot(m_window.get(), QStringLiteral("main_en_start"));
    auto *debug = m_window->findChild<DebugWidget *>();
    debug->show();
    QVERIFY(QTest::qWaitForWindowExposed(debug));
    shoot(debug, QStringLiteral("DebugWidget_en"));
}

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"

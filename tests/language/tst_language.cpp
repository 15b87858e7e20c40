// The interface language with the program's English catalogue: the stored
// choice at start, the switch in the options window (the help window's
// documents with it), and a catalogue that translates every text the sources show.
#include "config/ConfigDir.h"
#include "console/DebugWidget.h"
#include "misc/HelpWidget.h"
#include "misc/OptionWidget.h"
#include "tests/support/AppHarness.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QGroupBox>
#include <QLabel>
#include <QProcess>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QXmlStreamReader>

namespace {

QString AppFile(const char *name) { return QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(name); }
QString IniPath() { return AppFile("appConfig.ini"); }

int StoredType()
{
    return QSettings(IniPath(), QSettings::IniFormat).value(QStringLiteral("language/type"), -1).toInt();
}

// Chinese characters and full-width punctuation.
const QRegularExpression kChinese(QStringLiteral("[\\x{3000}-\\x{303F}\\x{3400}-\\x{9FFF}\\x{FF00}-\\x{FFEF}]"));

// The help window and the console are made when first opened.
void OpenLaterWindows(MainWidget *window)
{
    window->ShowDebugWindow();
    window->findChild<DebugWidget *>()->close();
    window->ShowHelpWindow();
    window->findChild<HelpWidget *>()->close();
}

// "Class/object: text" of every widget's text or title and combo item in the
// window and the windows it owns, in a fixed order.
QStringList Texts(QWidget *root)
{
    QStringList texts;
    for (QWidget *w : root->findChildren<QWidget *>()) {
        QString text = w->property(qobject_cast<QGroupBox *>(w) ? "title" : "text").toString();
        for (int i = 0; qobject_cast<QComboBox *>(w) && i < static_cast<QComboBox *>(w)->count(); ++i)
            text += static_cast<QComboBox *>(w)->itemText(i) + QLatin1Char('|');
        if (!text.isEmpty())
            texts << QStringLiteral("%1/%2: %3").arg(w->window()->metaObject()->className(), w->objectName(), text);
    }
    return texts;
}

// "Class/object: text" of each single-line label, button and check box text in
// the program's windows wider than the room its widget gives it. Each window
// is shown for the check, as the operator would open it.
QStringList Overflows(MainWidget *window)
{
    QStringList found;
    QList<QWidget *> windows{window};
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (w->isWindow() && !qobject_cast<QComboBox *>(w->parentWidget()))
            windows << w;
    }
    for (QWidget *shown : windows) {
        const bool wasVisible = shown->isVisible();
        shown->show();
        if (!QTest::qWaitForWindowExposed(shown))
            found << QStringLiteral("%1 not shown").arg(shown->metaObject()->className());
        for (QWidget *w : shown->findChildren<QWidget *>()) {
            QString text = w->property("text").toString();
            int room = w->contentsRect().width();
            if (auto *label = qobject_cast<QLabel *>(w)) {
                if (label->wordWrap() || Qt::mightBeRichText(text) || !label->pixmap(Qt::ReturnByValue).isNull())
                    continue;
            } else if (auto *button = qobject_cast<QAbstractButton *>(w)) {
                QStyleOptionButton opt;
                opt.initFrom(button);
                const bool check = qobject_cast<QCheckBox *>(w) || qobject_cast<QRadioButton *>(w);
                room = button->style()->subElementRect(check ? QStyle::SE_CheckBoxContents : QStyle::SE_PushButtonContents,
                                                       &opt, button).width();
            } else {
                continue;
            }
            for (const QString &line : text.split(QLatin1Char('\n'))) {
                // The room after the last glyph's ink may be cut off unseen.
                const int ink = w->fontMetrics().horizontalAdvance(line)
                                - (line.isEmpty() ? 0 : qMax(0, w->fontMetrics().rightBearing(line.back())));
                if (w->isVisibleTo(shown) && ink > room)
                    found << QStringLiteral("%1/%2: %3").arg(shown->metaObject()->className(), w->objectName(), line);
            }
        }
        shown->setVisible(wasVisible);
    }
    return found;
}

// Picks a language in the options window as the operator does.
void Choose(MainWidget *window, const char *radio)
{
    window->ShowSettingWindow();
    auto *options = window->findChild<OptionWidget *>();
    QTest::mouseClick(options->findChild<QRadioButton *>(QLatin1String(radio)), Qt::LeftButton);
    options->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
}

// The messages of a Linguist file by "context: source comment": their
// source, translation and its type ("unfinished", ...).
QHash<QString, QStringList> ParseTs(const QString &path)
{
    QHash<QString, QStringList> messages;
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QXmlStreamReader xml(&file);
    QHash<QString, QString> m; // element name -> text
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == QLatin1String("message")) {
            messages.insert(m.value("name") + ": " + m.value("source") + " " + m.take("comment"), {m.value("source"), m.value("translation"), m.value("type")});
        } else if (xml.isStartElement() && xml.name() != QLatin1String("message") && xml.name() != QLatin1String("context")
                   && xml.name() != QLatin1String("TS")) {
            m["type"] = xml.attributes().value("type").toString();
            const QString name = xml.name().toString();
            m[name] = xml.readElementText(QXmlStreamReader::IncludeChildElements);
        }
    }
    return messages;
}

} // namespace

class TestLanguage : public QObject
{
    Q_OBJECT

public slots:
    // The desktop's open-URL service.
    void open(const QUrl &url) { m_opened << url; }

private slots:
    void initTestCase();
    void cleanup();
    void storedChoice_data();
    void storedChoice();
    void switchAndBack();
    void catalogueComplete();

private:
    // Clicks the start of a help link's text: what it opened.
    QUrl Opened(HelpWidget *help, const char *label)
    {
        m_opened.clear();
        auto *link = help->findChild<QLabel *>(QLatin1String(label));
        QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(6, link->height() / 2));
        return m_opened.value(0);
    }
    // The document a help link opened, where the build installs it.
    QByteArray Document(HelpWidget *help, const char *label, const char *file = "")
    {
        const QString path = Opened(help, label).toLocalFile();
        QFile document(QStringLiteral(ACTUATOR_BIN_DIR) + path.mid(AppFile("").size() - 1) + QLatin1String(file));
        return path.startsWith(AppFile("help/")) && document.open(QIODevice::ReadOnly) ? document.readAll() : QByteArray();
    }
    QList<QUrl> m_opened;
};

void TestLanguage::initTestCase()
{
    QFile::remove(AppFile("en_US.qm"));
    QVERIFY(QFile::copy(QStringLiteral(PROGRAM_QM_FILE), AppFile("en_US.qm")));
    QFile::remove(AppFile("devConfig.json"));
    QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open");
}

void TestLanguage::cleanup()
{
    QFile::remove(IniPath());
    QFile::rename(AppFile("en_US.qm.away"), AppFile("en_US.qm"));
}

// The stored choice is in force before the main window is first shown; an
// English choice without a catalogue keeps the Chinese texts.
void TestLanguage::storedChoice_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("catalogue");
    QTest::addColumn<bool>("english");
    QTest::newRow("Chinese") << 0 << true << false;
    QTest::newRow("English") << 1 << true << true;
    QTest::newRow("English, no catalogue") << 1 << false << false;
    QTest::newRow("unknown") << 5 << true << false;
}

void TestLanguage::storedChoice()
{
    QFETCH(int, type);
    QFETCH(bool, catalogue);
    QFETCH(bool, english);
    QSettings(IniPath(), QSettings::IniFormat).setValue(QStringLiteral("language/type"), type);
    if (!catalogue)
        QVERIFY(QFile::rename(AppFile("en_US.qm"), AppFile("en_US.qm.away")));
    simReset();
    MainWidget window;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    OpenLaterWindows(&window);
    const QStringList chinese = Texts(&window).filter(kChinese);
    QVERIFY2(chinese.isEmpty() == english, qPrintable(chinese.join(QLatin1Char('\n'))));
    QCOMPARE(window.findChild<QRadioButton *>(QStringLiteral("rbEn"))->isChecked(), type == 1);
}

// Every form text of every window turns English at once and back to the same
// Chinese; texts written at run time stay, new log lines and message boxes
// come in the chosen language. The choice is stored.
void TestLanguage::switchAndBack()
{
    harness::App app = harness::Start(2);
    const QList<ControlWidget *> panels = harness::OpenPanels(app.window.get(), 2);
    QCOMPARE(panels.size(), 2);
    OpenLaterWindows(app.window.get());
    const QStringList chinese = Texts(app.window.get());
    QVERIFY(chinese.size() > 200);
    app.window->ShowHelpWindow();
    auto *help = app.window->findChild<HelpWidget *>();
    QVERIFY(QTest::qWaitForWindowExposed(help));
    QFile header(QStringLiteral(SOURCE_DIR "/device/ActuatorLibrary.h"));
    QVERIFY(header.open(QIODevice::ReadOnly));
    QCOMPARE(Document(help, "lbCplusSdk", "/ActuatorLibrary.h"), header.readAll()); // the SDK ships the current header
    QFile client(QStringLiteral(SOURCE_DIR "/help/sdk/python/actuator_remote.py"));
    QVERIFY(client.open(QIODevice::ReadOnly));
    QCOMPARE(Document(help, "lbPythonSdk", "/actuator_remote.py"), client.readAll());

    const auto stop = [&](const char *line) { // a new log line
        const int before = harness::LogOf(panels.at(1)).count(QString::fromUtf8(line));
        panels.at(1)->findChild<QPushButton *>(QStringLiteral("pbStop"))->click();
        QTRY_VERIFY_WITH_TIMEOUT(harness::LogOf(panels.at(1)).count(QString::fromUtf8(line)) > before, 5000);
    };
    const auto remove = [&](const char *answer) {
        harness::BoxAnswerer box(QString::fromUtf8(answer)); // the cancel button
        panels.at(0)->findChild<QPushButton *>(QStringLiteral("pbRemove"))->click();
        return box.texts;
    };

    for (int round = 0; round < 2; ++round) {
        Choose(app.window.get(), "rbEn");
        QCOMPARE(StoredType(), 1);
        const QStringList english = Texts(app.window.get());
        QCOMPARE(english.size(), chinese.size());
        QVERIFY2(english.filter(kChinese).isEmpty(), qPrintable(english.filter(kChinese).join(QLatin1Char('\n'))));
        QVERIFY(harness::LogOf(panels.at(0)).contains(QStringLiteral("初始化运动轴参数成功")));
        QVERIFY(Document(help, "lbManual").contains("/Lang (en)")); // the manual in the language shown
        QCOMPARE(Opened(help, "lbFiles"), QUrl::fromLocalFile(ConfigDir())); // the folder of the files written
        stop("Stop  succeeded");
        QCOMPARE(remove("Cancel"), QStringList(QStringLiteral("Close this control panel?")));

        Choose(app.window.get(), "rbCn");
        QCOMPARE(StoredType(), 0);
        QCOMPARE(Texts(app.window.get()).filter(kChinese), chinese.filter(kChinese));
        QVERIFY(Document(help, "lbManual").contains("/Lang (zh-CN)"));
        stop("停止  操作成功");
        QCOMPARE(remove("取消"), QStringList(QStringLiteral("您确定要关闭控制窗口吗?")));
    }
    QCOMPARE(harness::Panels(app.window.get()).size(), 2);
    for (const char *language : {"rbCn", "rbEn"}) {
        Choose(app.window.get(), language);
        const QStringList overflows = Overflows(app.window.get());
        QVERIFY2(overflows.isEmpty(), qPrintable(overflows.join(QLatin1Char('\n'))));
    }
    app.window.reset();
    QVERIFY(simjournal::WaitForWorkers(app.handles));
}

// Each text lupdate finds in the sources has a finished English translation
// in the committed catalogue that keeps its placeholders and outer spaces.
void TestLanguage::catalogueComplete()
{
    QTemporaryDir dir;
    const QString fresh = dir.filePath(QStringLiteral("fresh.ts"));
    QStringList args{QStringLiteral("-no-obsolete"), QStringLiteral("-locations"), QStringLiteral("none"),
                     QStringLiteral("-silent")};
    args << QStringLiteral(TR_DIRS).split(QLatin1Char(',')) << QStringLiteral("-ts") << fresh;
    QProcess lupdate;
    lupdate.setWorkingDirectory(QStringLiteral(SOURCE_DIR));
    lupdate.start(QStringLiteral(LUPDATE_PATH), args);
    QVERIFY(lupdate.waitForFinished(60000) && lupdate.exitCode() == 0);

    const auto committed = ParseTs(QStringLiteral(TS_FILE));
    const auto shown = ParseTs(fresh);
    QVERIFY(shown.size() > 100);
    static const QRegularExpression marks(QStringLiteral("%L?[1-9]|^\\s+|\\s+$"));
    const auto marksOf = [](const QString &text) {
        QStringList found;
        for (auto it = marks.globalMatch(text); it.hasNext();)
            found << it.next().captured();
        found.sort(); // a translation may order the placeholders otherwise
        return found.join(QLatin1Char(' '));
    };
    QStringList wrong;
    for (auto it = shown.begin(); it != shown.end(); ++it) {
        const QStringList t = committed.value(it.key(), {QString(), QString(), QStringLiteral("missing")});
        if (!t.at(2).isEmpty() || t.at(1).trimmed().isEmpty() != it.value().at(0).trimmed().isEmpty() || t.at(1).contains(kChinese)
            || marksOf(t.at(1)) != marksOf(it.value().at(0)))
            wrong << it.key() + QStringLiteral(" -> \"") + t.at(1) + QStringLiteral("\" ") + t.at(2);
    }
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n'))));
}

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"

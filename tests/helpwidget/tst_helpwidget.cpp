#include "misc/HelpWidget.h"
#include "misc/OptionWidget.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTranslator>
#include <QtTest>

namespace {
const QString kManualHref = QStringLiteral("/help/KESTA-ORV电动促动控制器用户手册.pdf");
const QString kCppHref = QStringLiteral("/help/Nuvik_C++C#SDK");
const QString kLabviewHref = QStringLiteral("/help/Nuvik_LabviewSDK");
const QString kIndexHref = QStringLiteral("/help/index.html");

QString AppDir() { return QCoreApplication::applicationDirPath(); }

QString Link(const QString &href, const QString &text)
{
    return QStringLiteral("<a style='color: blue; text-decoration: none' href = ") + href
            + QStringLiteral(">") + text + QStringLiteral("</a>");
}

template <typename T>
T *Child(QWidget &w, const QString &name)
{
    T *child = w.findChild<T *>(name);
    if (!child)
        qFatal("missing child %s", qPrintable(name));
    return child;
}

QString Href(const QString &labelText)
{
    static const QRegularExpression re(QStringLiteral("href = ([^>]+)>"));
    return re.match(labelText).captured(1);
}

void SendMove(QWidget &w, QPoint local)
{
    QMouseEvent ev(QEvent::MouseMove, local, w.mapToGlobal(local), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
    QApplication::sendEvent(&w, &ev);
}
}

// Receives what the help window hands to the desktop's open-URL service.
class UrlCapture : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls.append(url); }
};

class TestHelpWidget : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void version_data();
    void version();
    void linkTexts();
    void linkOpensLocalFile_data();
    void linkOpensLocalFile();
    void missingTargetIsOpenedSilently();
    void learnMore_data();
    void learnMore();
    void helpDocumentsInstalled_data();
    void helpDocumentsInstalled();
    void sdkExampleAndHeader();
    void languageSwitchKeepsLinks();
    void formAndWindow();
    void closeButtonHides();
    void dragByTitleStripOnly();

private:
    void ClickLink(QLabel *label);
    UrlCapture m_capture;
};

void TestHelpWidget::initTestCase()
{
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.9.0"));
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &m_capture, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &m_capture, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &m_capture, "open");
}

void TestHelpWidget::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    QFile::remove(AppDir() + QStringLiteral("/en_US.qm"));
    QFile::remove(AppDir() + QStringLiteral("/appConfig.ini"));
}

void TestHelpWidget::init()
{
    m_capture.urls.clear();
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.9.0"));
}

// Clicks the start of the label's text, where its link is.
void TestHelpWidget::ClickLink(QLabel *label)
{
    QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(6, label->height() / 2));
}

void TestHelpWidget::version_data()
{
    QTest::addColumn<QString>("appVersion");
    QTest::addColumn<QString>("shown");
    QTest::newRow("program version") << "1.0.9.0" << "V1.0.9";
    QTest::newRow("two parts") << "2.5" << "V2";
    QTest::newRow("no dot") << "7" << "V7";
    QTest::newRow("empty") << "" << "V";
}

void TestHelpWidget::version()
{
    QFETCH(QString, appVersion);
    QFETCH(QString, shown);
    QCoreApplication::setApplicationVersion(appVersion);
    HelpWidget w;
    QCOMPARE(Child<QLabel>(w, "lbVersion")->text(), shown);
}

void TestHelpWidget::linkTexts()
{
    HelpWidget w;
    QCOMPARE(Child<QLabel>(w, "lbManual")->text(), Link(kManualHref, QStringLiteral("查看")));
    QCOMPARE(Child<QLabel>(w, "lbCplusSdk")->text(),
             Link(kCppHref, QStringLiteral("查看 C++/C# SDK")));
    QCOMPARE(Child<QLabel>(w, "lbLabviewSdk")->text(),
             Link(kLabviewHref, QStringLiteral("查看 labview SDK")));

    QCOMPARE(Child<QLabel>(w, "lbLearnMore")->text(), Link(kIndexHref, QStringLiteral("了解更多详细信息")));
}

// "了解更多" opens the address set in appConfig.ini when it is a web address,
// and the local help index otherwise.
void TestHelpWidget::learnMore_data()
{
    QTest::addColumn<QString>("setting"); // help/url; empty: not set
    QTest::addColumn<QUrl>("opened");
    const QUrl index = QUrl::fromLocalFile(AppDir() + kIndexHref);
    QTest::newRow("not set") << "" << index;
    QTest::newRow("https") << "https://docs.example.test/actuator?lang=en" << QUrl("https://docs.example.test/actuator?lang=en");
    QTest::newRow("http") << "http://help.example.test/manual" << QUrl("http://help.example.test/manual");
    QTest::newRow("markup") << "https://x.test/a b>c" << index;
    QTest::newRow("other scheme") << "file:///etc/passwd" << index;
    QTest::newRow("no host") << "https://" << index;
}

void TestHelpWidget::learnMore()
{
    QFETCH(QString, setting);
    QFETCH(QUrl, opened);
    const QString ini = AppDir() + QStringLiteral("/appConfig.ini");
    QFile::remove(ini);
    if (!setting.isEmpty())
        QSettings(ini, QSettings::IniFormat).setValue(QStringLiteral("help/url"), setting);
    HelpWidget w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    ClickLink(Child<QLabel>(w, "lbLearnMore"));
    QFile::remove(ini);
    QCOMPARE(m_capture.urls, QList<QUrl>{opened});
}

void TestHelpWidget::linkOpensLocalFile_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("href");
    QTest::newRow("manual") << "lbManual" << kManualHref;
    QTest::newRow("C++/C# SDK") << "lbCplusSdk" << kCppHref;
    QTest::newRow("LabVIEW SDK") << "lbLabviewSdk" << kLabviewHref;
}

void TestHelpWidget::linkOpensLocalFile()
{
    QFETCH(QString, label);
    QFETCH(QString, href);
    HelpWidget w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    ClickLink(Child<QLabel>(w, label));
    QCOMPARE(m_capture.urls.size(), 1);
    const QUrl url = m_capture.urls.first();
    QVERIFY(url.isLocalFile());
    QCOMPARE(url, QUrl::fromLocalFile(AppDir() + href));
    QCOMPARE(url.toLocalFile(), AppDir() + href);
}

void TestHelpWidget::missingTargetIsOpenedSilently()
{
    // The suite's own directory has no help/ folder: the link is still handed
    // to the desktop, and nothing else happens.
    QVERIFY(!QFile::exists(AppDir() + kManualHref));
    HelpWidget w;
    const int windows = QApplication::topLevelWidgets().size();
    w.SlotLinkActivated(kManualHref);
    QCOMPARE(m_capture.urls, QList<QUrl>{ QUrl::fromLocalFile(AppDir() + kManualHref) });
    QCOMPARE(QApplication::topLevelWidgets().size(), windows);
}

void TestHelpWidget::helpDocumentsInstalled_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QStringList>("contents"); // for a manual: the language of the interface and of the PDF
    QTest::newRow("manual zh") << "lbManual" << QStringList{"zh", "zh-CN"};
    QTest::newRow("manual en") << "lbManual" << QStringList{"en", "en"};
    QTest::newRow("C++/C# SDK") << "lbCplusSdk"
                                << QStringList{ "ActuatorLibrary.h", "README.md",
                                                "example/main.cpp", "example/CMakeLists.txt",
                                                "lib" };
    QTest::newRow("LabVIEW SDK") << "lbLabviewSdk"
                                 << QStringList{ "ActuatorLibrary.h", "README.md" };
}

void TestHelpWidget::helpDocumentsInstalled()
{
    QFETCH(QString, label);
    QFETCH(QStringList, contents);
    const bool manual = label == QLatin1String("lbManual");
    QTranslator english;
    if (manual && contents.first() == QLatin1String("en")) {
        QVERIFY(english.load(QStringLiteral(PROGRAM_QM_FILE)));
        QCoreApplication::installTranslator(&english);
    }
    HelpWidget w;
    const QString target = QStringLiteral(ACTUATOR_BIN_DIR) + Href(Child<QLabel>(w, label)->text());
    QCoreApplication::removeTranslator(&english);
    const QFileInfo info(target);
    QVERIFY2(info.exists(), qPrintable(target));

    if (manual) {
        QVERIFY(info.isFile());
        QFile pdf(target);
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        const QByteArray data = pdf.readAll();
        QVERIFY(data.startsWith("%PDF-"));
        QVERIFY(data.trimmed().endsWith("%%EOF"));
        // A real manual of several pages, not an empty shell.
        const int pages = data.count("/Type /Page") - data.count("/Type /Pages");
        QVERIFY2(pages >= 8, "the manual has fewer than 8 pages");
        QVERIFY(data.contains("/Lang (" + contents.last().toLatin1() + ')'));
        QVERIFY2(data.contains("/Outlines"), "the manual has no bookmarks");
    } else {
        QVERIFY(info.isDir());
        for (const QString &entry : contents)
            QVERIFY2(QFileInfo::exists(target + QLatin1Char('/') + entry), qPrintable(entry));
        QVERIFY(QFileInfo(target + QStringLiteral("/README.md")).size() > 1000);
    }
}

void TestHelpWidget::sdkExampleAndHeader()
{
    const QString sdk = QStringLiteral(ACTUATOR_BIN_DIR) + kCppHref;
    QFile shipped(sdk + QStringLiteral("/ActuatorLibrary.h"));
    QFile source(QStringLiteral(ACTUATOR_SOURCE_DIR "/device/ActuatorLibrary.h"));
    QVERIFY(shipped.open(QIODevice::ReadOnly));
    QVERIFY(source.open(QIODevice::ReadOnly));
    QCOMPARE(shipped.readAll(), source.readAll());
    QVERIFY(!QDir(sdk + QStringLiteral("/lib")).entryList(QDir::Files).isEmpty());
    // The guide names the library it comes with.
    QFile guide(sdk + QStringLiteral("/README.md"));
    QVERIFY(guide.open(QIODevice::ReadOnly));
    const QString kind =
            QString::fromUtf8(SDK_LIBRARY_SIMULATED ? "模拟控制器库" : "厂商提供的控制器库");
    QVERIFY(QString::fromUtf8(guide.readAll()).contains(kind));
}

void TestHelpWidget::languageSwitchKeepsLinks()
{
    const QString qm = AppDir() + QStringLiteral("/en_US.qm");
    QFile::remove(qm);
    QFile::remove(AppDir() + QStringLiteral("/appConfig.ini"));
    QVERIFY(QFile::copy(QStringLiteral(TEST_QM_FILE), qm));

    QWidget mainWindow;
    HelpWidget help(&mainWindow);
    OptionWidget options(&mainWindow);
    help.show();
    options.show();
    QVERIFY(QTest::qWaitForWindowExposed(&help));

    QTest::mouseClick(Child<QRadioButton>(options, "rbEn"), Qt::LeftButton);
    QTRY_COMPARE(Child<QLabel>(help, "lbTitle")->text(), QStringLiteral("Help"));
    QCOMPARE(Child<QLabel>(help, "lbManualStr")->text(), QStringLiteral("User manual:"));
    QCOMPARE(Child<QLabel>(help, "lbManual")->text(), Link(kManualHref, QStringLiteral("Open")));
    QCOMPARE(Child<QLabel>(help, "lbCplusSdk")->text(),
             Link(kCppHref, QStringLiteral("Open C++/C# SDK")));
    QCOMPARE(Child<QLabel>(help, "lbLabviewSdk")->text(),
             Link(kLabviewHref, QStringLiteral("Open LabVIEW SDK")));
    QVERIFY(Child<QLabel>(help, "lbLearnMore")->text().endsWith(QStringLiteral(">Learn more</a>")));
    QCOMPARE(Child<QLabel>(help, "lbVersion")->text(), QStringLiteral("V1.0.9"));

    ClickLink(Child<QLabel>(help, "lbCplusSdk"));
    QCOMPARE(m_capture.urls, QList<QUrl>{ QUrl::fromLocalFile(AppDir() + kCppHref) });

    QTest::mouseClick(Child<QRadioButton>(options, "rbCn"), Qt::LeftButton);
    QTRY_COMPARE(Child<QLabel>(help, "lbTitle")->text(), QStringLiteral("帮助"));
    QCOMPARE(Child<QLabel>(help, "lbManual")->text(), Link(kManualHref, QStringLiteral("查看")));
    ClickLink(Child<QLabel>(help, "lbManual"));
    QCOMPARE(m_capture.urls.size(), 2);
    QCOMPARE(m_capture.urls.last(), QUrl::fromLocalFile(AppDir() + kManualHref));

    QFile::remove(qm);
    QFile::remove(AppDir() + QStringLiteral("/appConfig.ini"));
}

void TestHelpWidget::formAndWindow()
{
    QWidget parent;
    HelpWidget w(&parent);
    QVERIFY(w.isWindow());
    QVERIFY(w.windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(w.windowModality(), Qt::ApplicationModal);
    QVERIFY(w.testAttribute(Qt::WA_TranslucentBackground));
    QCOMPARE(w.size(), QSize(600, 300));

    auto *shadow = qobject_cast<QGraphicsDropShadowEffect *>(
            Child<QWidget>(w, "wgBack")->graphicsEffect());
    QVERIFY(shadow);
    QCOMPARE(shadow->blurRadius(), 10.0);
    QCOMPARE(shadow->offset(), QPointF(0, 0));
    QCOMPARE(shadow->color(), QColor(Qt::gray));

    QCOMPARE(Child<QLabel>(w, "lbTitle")->text(), QStringLiteral("帮助"));
    QCOMPARE(Child<QLabel>(w, "lbManualStr")->text(), QStringLiteral("使用手册："));
    QCOMPARE(Child<QLabel>(w, "lbDevelop")->text(), QStringLiteral("二次开发："));
    QCOMPARE(Child<QLabel>(w, "lbVerStr")->text(), QStringLiteral("软件版本："));
}

void TestHelpWidget::closeButtonHides()
{
    HelpWidget w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::mouseClick(Child<QPushButton>(w, "pbClose"), Qt::LeftButton);
    QVERIFY(!w.isVisible());
}

void TestHelpWidget::dragByTitleStripOnly()
{
    HelpWidget w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.move(200, 150);
    QCOMPARE(w.pos(), QPoint(200, 150));

    QTest::mousePress(Child<QWidget>(w, "lbVerStr"), Qt::LeftButton, {}, QPoint(10, 10));
    SendMove(w, QPoint(100, 300));
    QTest::mouseRelease(&w, Qt::LeftButton, {}, QPoint(100, 300));
    QCOMPARE(w.pos(), QPoint(200, 150));

    QTest::mousePress(Child<QWidget>(w, "wgTitle"), Qt::LeftButton, {}, QPoint(300, 20));
    SendMove(w, QPoint(350, 10));
    QCOMPARE(w.pos(), QPoint(240, 130));
    QTest::mouseRelease(&w, Qt::LeftButton, {}, QPoint(310, 30));
    SendMove(w, QPoint(0, 0));
    QCOMPARE(w.pos(), QPoint(240, 130));
}

QTEST_MAIN(TestHelpWidget)
#include "tst_helpwidget.moc"

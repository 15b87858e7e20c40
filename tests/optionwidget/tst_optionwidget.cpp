#include "misc/OptionWidget.h"

#include <QApplication>
#include <QFile>
#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QtTest>

namespace {
enum class Qm { None, Valid, Invalid };

QString AppDir() { return QCoreApplication::applicationDirPath(); }
QString IniPath() { return AppDir() + QStringLiteral("/appConfig.ini"); }
QString QmPath() { return AppDir() + QStringLiteral("/en_US.qm"); }

void PutQm(Qm qm)
{
    QFile::remove(QmPath());
    if (qm == Qm::Valid) {
        QVERIFY(QFile::copy(QStringLiteral(TEST_QM_FILE), QmPath()));
    } else if (qm == Qm::Invalid) {
        QFile f(QmPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("this is not a translation catalogue");
    }
}

// QSettings keeps a parsed file cached while its size and time stamp stay the
// same, and the file system's time stamps are coarser than the rows of a test:
// each write gets a time stamp of its own so the options window reads it anew.
void WriteIni(const QByteArray &content)
{
    static int writes = 0;
    QFile f(IniPath());
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
    f.flush();
    QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(++writes),
                          QFileDevice::FileModificationTime));
}

QByteArray ReadIni()
{
    QFile f(IniPath());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int StoredType()
{
    return QSettings(IniPath(), QSettings::IniFormat).value(QStringLiteral("language/type"), -1).toInt();
}

template <typename T>
T *Child(QWidget &w, const char *name)
{
    T *child = w.findChild<T *>(QLatin1String(name));
    if (!child)
        qFatal("missing child %s", name);
    return child;
}

// Texts of the four translatable widgets, in a fixed order.
QStringList Texts(QWidget &w)
{
    return { Child<QLabel>(w, "lbTitle")->text(), Child<QPushButton>(w, "pbLang")->text(),
             Child<QRadioButton>(w, "rbCn")->text(), Child<QRadioButton>(w, "rbEn")->text() };
}

const QStringList kChinese = { QStringLiteral("设置"), QStringLiteral("语言"),
                               QStringLiteral("中文"), QStringLiteral("英文") };
const QStringList kEnglish = { QStringLiteral("Settings"), QStringLiteral("Language"),
                               QStringLiteral("Chinese"), QStringLiteral("English") };

void SendMove(QWidget &w, QPoint local)
{
    QMouseEvent ev(QEvent::MouseMove, local, w.mapToGlobal(local), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
    QApplication::sendEvent(&w, &ev);
}
}

Q_DECLARE_METATYPE(Qm)

class TestOptionWidget : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void startWithoutFile();
    void startWithStoredType_data();
    void startWithStoredType();
    void clickSwitchesLanguageAtOnce();
    void clickEnglishWithoutTranslation();
    void clickAfterUnknownType();
    void formAndWindow();
    void closeButtonHides();
    void dragByTitleStripOnly();
};

void TestOptionWidget::init()
{
    QFile::remove(IniPath());
    QFile::remove(QmPath());
}

void TestOptionWidget::cleanup()
{
    init();
}

void TestOptionWidget::startWithoutFile()
{
    PutQm(Qm::Valid);
    OptionWidget w;
    QCOMPARE(Texts(w), kChinese);
    QVERIFY(Child<QRadioButton>(w, "rbCn")->isChecked());
    QVERIFY(!Child<QRadioButton>(w, "rbEn")->isChecked());
    QVERIFY(!QFile::exists(IniPath()));
}

void TestOptionWidget::startWithStoredType_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<Qm>("qm");
    QTest::addColumn<bool>("english");
    QTest::addColumn<bool>("enChecked");
    QTest::addColumn<bool>("rewritten");

    QTest::newRow("Chinese") << 0 << Qm::Valid << false << false << false;
    QTest::newRow("English with catalogue") << 1 << Qm::Valid << true << true << true;
    QTest::newRow("English without catalogue") << 1 << Qm::None << false << true << true;
    QTest::newRow("English, broken catalogue") << 1 << Qm::Invalid << false << true << true;
    QTest::newRow("unknown type 5") << 5 << Qm::Valid << false << false << false;
    QTest::newRow("unknown type -1") << -1 << Qm::Valid << false << false << false;
}

void TestOptionWidget::startWithStoredType()
{
    QFETCH(int, type);
    QFETCH(Qm, qm);
    QFETCH(bool, english);
    QFETCH(bool, enChecked);
    QFETCH(bool, rewritten);

    PutQm(qm);
    // Spaces around '=' show whether the file was rewritten (QSettings writes "type=1").
    const QByteArray original = "[language]\ntype = " + QByteArray::number(type) + "\n";
    WriteIni(original);

    OptionWidget w;
    QCOMPARE(Texts(w), english ? kEnglish : kChinese);
    QCOMPARE(Child<QRadioButton>(w, "rbEn")->isChecked(), enChecked);
    QCOMPARE(Child<QRadioButton>(w, "rbCn")->isChecked(), !enChecked);
    QCOMPARE(QCoreApplication::translate("OptionWidget", "英文"),
             english ? QStringLiteral("English") : QStringLiteral("英文"));
    if (rewritten) {
        QVERIFY(ReadIni() != original);
        QCOMPARE(StoredType(), type);
    } else {
        QCOMPARE(ReadIni(), original);
    }
}

void TestOptionWidget::clickSwitchesLanguageAtOnce()
{
    PutQm(Qm::Valid);
    OptionWidget w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    QTest::mouseClick(Child<QRadioButton>(w, "rbEn"), Qt::LeftButton);
    QCOMPARE(Texts(w), kEnglish);
    QCOMPARE(StoredType(), 1);
    QCOMPARE(QCoreApplication::translate("OptionWidget", "语言"), QStringLiteral("Language"));

    QTest::mouseClick(Child<QRadioButton>(w, "rbCn"), Qt::LeftButton);
    QCOMPARE(Texts(w), kChinese);
    QCOMPARE(StoredType(), 0);
    QCOMPARE(QCoreApplication::translate("OptionWidget", "语言"), QStringLiteral("语言"));

    // Switching back and forth keeps working (the catalogue is loaded again).
    QTest::mouseClick(Child<QRadioButton>(w, "rbEn"), Qt::LeftButton);
    QCOMPARE(Texts(w), kEnglish);
    QCOMPARE(StoredType(), 1);
}

void TestOptionWidget::clickEnglishWithoutTranslation()
{
    OptionWidget w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    QTest::mouseClick(Child<QRadioButton>(w, "rbEn"), Qt::LeftButton);
    QVERIFY(Child<QRadioButton>(w, "rbEn")->isChecked());
    QCOMPARE(Texts(w), kChinese);
    QCOMPARE(StoredType(), 1);
}

void TestOptionWidget::clickAfterUnknownType()
{
    PutQm(Qm::Valid);
    const QByteArray original = "[language]\ntype=5\n";
    WriteIni(original);
    OptionWidget w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    // Clicking the already checked "中文" changes nothing.
    QTest::mouseClick(Child<QRadioButton>(w, "rbCn"), Qt::LeftButton);
    QCOMPARE(ReadIni(), original);

    QTest::mouseClick(Child<QRadioButton>(w, "rbEn"), Qt::LeftButton);
    QCOMPARE(Texts(w), kEnglish);
    QCOMPARE(StoredType(), 1);
}

void TestOptionWidget::formAndWindow()
{
    QWidget parent;
    OptionWidget w(&parent);
    QCOMPARE(w.parentWidget(), &parent);
    QVERIFY(w.isWindow());
    QVERIFY(w.windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(w.windowModality(), Qt::ApplicationModal);
    QVERIFY(w.testAttribute(Qt::WA_TranslucentBackground));
    QCOMPARE(w.size(), QSize(600, 300));
    QCOMPARE(w.windowTitle(), QStringLiteral("Form"));

    auto *shadow = qobject_cast<QGraphicsDropShadowEffect *>(
            Child<QWidget>(w, "wgBack")->graphicsEffect());
    QVERIFY(shadow);
    QCOMPARE(shadow->blurRadius(), 10.0);
    QCOMPARE(shadow->offset(), QPointF(0, 0));
    QCOMPARE(shadow->color(), QColor(Qt::gray));
}

void TestOptionWidget::closeButtonHides()
{
    OptionWidget w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::mouseClick(Child<QPushButton>(w, "pbClose"), Qt::LeftButton);
    QVERIFY(!w.isVisible());
}

void TestOptionWidget::dragByTitleStripOnly()
{
    OptionWidget w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.move(100, 100);
    QCOMPARE(w.pos(), QPoint(100, 100));

    // Press on the content (below the title strip): no drag.
    QTest::mousePress(Child<QWidget>(w, "wgBack"), Qt::LeftButton, {}, QPoint(300, 200));
    SendMove(w, QPoint(350, 260));
    QTest::mouseRelease(&w, Qt::LeftButton, {}, QPoint(350, 260));
    QCOMPARE(w.pos(), QPoint(100, 100));

    // Press on the title text (window point (100, 25)) and move by (40, 30).
    QTest::mousePress(Child<QLabel>(w, "lbTitle"), Qt::LeftButton, {}, QPoint(80, 15));
    SendMove(w, QPoint(140, 55));
    QCOMPARE(w.pos(), QPoint(140, 130));
    QTest::mouseRelease(&w, Qt::LeftButton, {}, QPoint(100, 25));

    // After the release, moving the mouse no longer moves the window.
    SendMove(w, QPoint(300, 300));
    QCOMPARE(w.pos(), QPoint(140, 130));
}

QTEST_MAIN(TestOptionWidget)
#include "tst_optionwidget.moc"

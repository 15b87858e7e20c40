// Mouse events go through the window system layer, as real ones do, so that
// presses, implicit grabs and moves reach the widgets the way they would.
#define QTEST_QPA_MOUSE_HANDLING

#include "app/MainWidget.h"
#include "app/Startup.h"
#include "config/DevConfig.h"

#include <QDialogButtonBox>
#include <QDirIterator>
#include <QFontDatabase>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

// The main window owns secondary windows with the same object names
// (pbClose, wgTitle, ...); look only inside the main window itself.
template <typename T>
T *OwnChild(QWidget &window, const QString &name)
{
    for (T *child : window.findChildren<T *>(name)) {
        if (child->window() == &window)
            return child;
    }
    return nullptr;
}

// Answers the next application-modal message box once it is shown: runs
// inspect on it, then act. Polls so that it does not depend on when exec()
// starts its loop.
void AnswerMessageBox(std::function<void(QMessageBox *)> inspect,
                      std::function<void(QMessageBox *)> act)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, inspect, act]() {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        inspect(box);
        act(box);
    });
    timer->start();
}

QPushButton *ButtonWithText(QMessageBox *box, const QString &text)
{
    for (QAbstractButton *button : box->buttons())
        if (button->text() == text)
            return qobject_cast<QPushButton *>(button);
    return nullptr;
}

// Translates a few MainWidget texts, to see which ones are set again.
class FakeTranslator : public QTranslator
{
public:
    QString translate(const char *context, const char *source, const char *, int) const override
    {
        if (QLatin1String(context) != QLatin1String("MainWidget"))
            return QString();
        const QString text = QString::fromUtf8(source);
        if (text == QLatin1String("debug"))
            return QStringLiteral("DBG");
        if (text == QLatin1String("Form"))
            return QStringLiteral("Fenster");
        if (text == QStringLiteral("确认"))
            return QStringLiteral("OK");
        return QString();
    }
    bool isEmpty() const override { return false; }
};

} // namespace

class TestMainWidget : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void edgeHitTest_data();
    void edgeHitTest();
    void edgesMatchZones();
    void centredTopLeft_data();
    void centredTopLeft();
    void fittedGeometry_data();
    void fittedGeometry();

    void construction();
    void accessorsClearedAtDestruction();
    void edgeCursor_data();
    void edgeCursor();
    void pressInResizeBandIsNotAClick();
    void drag_data();
    void drag();
    void fullScreenAndBack();
    void minimiseAndClose();
    void secondaryWindowCentred_data();
    void secondaryWindowCentred();
    void retranslate();

    void debugSwitch_data();
    void debugSwitch();
    void fontNotUsable_data();
    void fontNotUsable();
    void fontInstalled();

    void messageBoxResult_data();
    void messageBoxResult();
    void messageBoxLook();
};

void TestMainWidget::cleanup()
{
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
}

void TestMainWidget::edgeHitTest_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("code");
    const QSize s(830, 600);
    QTest::newRow("top-left corner origin") << QPoint(0, 0) << s << 13;
    QTest::newRow("top-left corner inner") << QPoint(3, 3) << s << 13;
    QTest::newRow("left edge below corner") << QPoint(3, 4) << s << 10;
    QTest::newRow("top edge right of corner") << QPoint(4, 3) << s << 12;
    QTest::newRow("inside past top-left") << QPoint(4, 4) << s << 0;
    QTest::newRow("top-right corner outer") << QPoint(829, 0) << s << 14;
    QTest::newRow("top-right corner inner") << QPoint(826, 3) << s << 14;
    QTest::newRow("top edge left of top-right") << QPoint(825, 3) << s << 12;
    QTest::newRow("right edge below top-right") << QPoint(826, 4) << s << 11;
    QTest::newRow("bottom-left corner outer") << QPoint(0, 599) << s << 16;
    QTest::newRow("bottom-left corner inner") << QPoint(3, 596) << s << 16;
    QTest::newRow("left edge above bottom-left") << QPoint(3, 595) << s << 10;
    QTest::newRow("bottom edge right of bottom-left") << QPoint(4, 596) << s << 15;
    QTest::newRow("bottom-right corner outer") << QPoint(829, 599) << s << 17;
    QTest::newRow("bottom-right corner inner") << QPoint(826, 596) << s << 17;
    QTest::newRow("right edge above bottom-right") << QPoint(826, 595) << s << 11;
    QTest::newRow("bottom edge left of bottom-right") << QPoint(825, 596) << s << 15;
    QTest::newRow("inside past bottom-right") << QPoint(825, 595) << s << 0;
    QTest::newRow("middle") << QPoint(415, 300) << s << 0;
    QTest::newRow("left edge middle") << QPoint(0, 300) << s << 10;
    QTest::newRow("right edge middle") << QPoint(829, 300) << s << 11;
    QTest::newRow("top edge middle") << QPoint(415, 0) << s << 12;
    QTest::newRow("bottom edge middle") << QPoint(415, 599) << s << 15;
    QTest::newRow("other size right edge") << QPoint(1626, 450) << QSize(1630, 900) << 11;
    QTest::newRow("other size inside") << QPoint(1625, 895) << QSize(1630, 900) << 0;
    QTest::newRow("other size bottom-right") << QPoint(1626, 896) << QSize(1630, 900) << 17;
}

void TestMainWidget::edgeHitTest()
{
    QFETCH(QPoint, pos);
    QFETCH(QSize, size);
    QFETCH(int, code);
    QCOMPARE(EdgeHitTest(pos, size), code);
}

// The resize direction and cursor of every point follow from which bands
// (4 px from each edge) the point lies in.
void TestMainWidget::edgesMatchZones()
{
    const QSize size(100, 80);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const int code = EdgeHitTest(QPoint(x, y), size);
            const Qt::Edges edges = EdgesForHitTest(code);
            const bool left = x < 4, right = x >= 96, top = y < 4, bottom = y >= 76;
            QCOMPARE(edges.testFlag(Qt::LeftEdge), left);
            QCOMPARE(edges.testFlag(Qt::RightEdge), right);
            QCOMPARE(edges.testFlag(Qt::TopEdge), top);
            QCOMPARE(edges.testFlag(Qt::BottomEdge), bottom);

            Qt::CursorShape expected = Qt::ArrowCursor;
            if ((left && top) || (right && bottom))
                expected = Qt::SizeFDiagCursor;
            else if ((right && top) || (left && bottom))
                expected = Qt::SizeBDiagCursor;
            else if (left || right)
                expected = Qt::SizeHorCursor;
            else if (top || bottom)
                expected = Qt::SizeVerCursor;
            QCOMPARE(CursorForHitTest(code), expected);
        }
    }
}

void TestMainWidget::centredTopLeft_data()
{
    QTest::addColumn<QRect>("host");
    QTest::addColumn<QSize>("child");
    QTest::addColumn<QPoint>("topLeft");
    QTest::newRow("even") << QRect(100, 50, 830, 600) << QSize(300, 200) << QPoint(365, 250);
    QTest::newRow("odd difference truncates")
        << QRect(0, 0, 831, 601) << QSize(300, 200) << QPoint(265, 200);
    QTest::newRow("child larger truncates towards zero")
        << QRect(10, 20, 830, 600) << QSize(1001, 703) << QPoint(10 - 85, 20 - 51);
    QTest::newRow("negative host position")
        << QRect(-200, -100, 830, 600) << QSize(430, 200) << QPoint(0, 100);
}

void TestMainWidget::centredTopLeft()
{
    QFETCH(QRect, host);
    QFETCH(QSize, child);
    QFETCH(QPoint, topLeft);
    QCOMPARE(CentredTopLeft(host, child), topLeft);
}

void TestMainWidget::fittedGeometry_data()
{
    QTest::addColumn<QRect>("reference");
    QTest::addColumn<QSize>("target");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QRect>("fitted");
    const QRect screen(0, 0, 1920, 1050);
    QTest::newRow("fits: grows about its centre")
        << QRect(500, 200, 830, 600) << QSize(1630, 900) << screen << QRect(100, 50, 1630, 900);
    QTest::newRow("would leave the top left: moved in")
        << QRect(100, 50, 830, 600) << QSize(1630, 900) << screen << QRect(0, 0, 1630, 900);
    QTest::newRow("would leave the bottom right: moved in")
        << QRect(1000, 400, 830, 600) << QSize(1630, 900) << screen << QRect(290, 150, 1630, 900);
    QTest::newRow("too large: the whole area")
        << QRect(268, 84, 830, 600) << QSize(1630, 900) << QRect(0, 0, 1366, 738) << QRect(0, 0, 1366, 738);
    QTest::newRow("second screen: stays there")
        << QRect(2400, 300, 830, 600) << QSize(1630, 900) << QRect(1920, 0, 1366, 768)
        << QRect(1920, 0, 1366, 768);
    QTest::newRow("second screen, fits: centred there")
        << QRect(2000, 100, 830, 600) << QSize(830, 600) << QRect(1920, 0, 1920, 1080)
        << QRect(2000, 100, 830, 600);
}

// The window keeps its size and centre where the screen's usable area holds
// it, and otherwise takes what that area has, on that screen.
void TestMainWidget::fittedGeometry()
{
    QFETCH(QRect, reference);
    QFETCH(QSize, target);
    QFETCH(QRect, available);
    QFETCH(QRect, fitted);
    QCOMPARE(FittedGeometry(reference, target, available), fitted);
}

void TestMainWidget::construction()
{
    MainWidget w;
    QCOMPARE(GetMainWidget(), &w);
    QCOMPARE(w.size(), QSize(830, 600));
    QCOMPARE(w.windowTitle(), QStringLiteral("Form"));
    QCOMPARE(w.windowFlags() & ~Qt::WindowType_Mask, Qt::WindowFlags(Qt::FramelessWindowHint));
    QVERIFY(w.hasMouseTracking());

    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    for (const char *name : {"pbHelp", "pbSettings", "pbShowMin", "pbShowMax", "pbClose", "pbAddDev"}) {
        auto *button = OwnChild<QPushButton>(w, QLatin1String(name));
        QVERIFY2(button && button->isVisible(), name);
        QVERIFY2(button->text().isEmpty(), name);
    }
    QVERIFY(!OwnChild<QPushButton>(w, QStringLiteral("pbDebug"))->isVisible());

    // Title bar and menu bar are 60 px high; the add button sits at the left.
    auto *titleBar = OwnChild<QWidget>(w, QStringLiteral("wgTitleBar"));
    auto *menuBar = OwnChild<QWidget>(w, QStringLiteral("wgMenuBar"));
    auto *addDev = OwnChild<QPushButton>(w, QStringLiteral("pbAddDev"));
    QCOMPARE(titleBar->geometry(), QRect(0, 0, 830, 60));
    QCOMPARE(menuBar->geometry(), QRect(0, 60, 830, 60));
    QCOMPARE(addDev->geometry(), QRect(0, 0, 80, 60));
    auto *controls = OwnChild<QWidget>(w, QStringLiteral("wgControls"));
    QVERIFY(controls->width() >= 830 && controls->height() >= 480);
    auto *close = OwnChild<QPushButton>(w, QStringLiteral("pbClose"));
    QCOMPARE(close->geometry(), QRect(770, 0, 60, 60));
}

// The accessors never hand out a destroyed window.
void TestMainWidget::accessorsClearedAtDestruction()
{
    auto w = std::make_unique<MainWidget>();
    QCOMPARE(GetMainWidget(), w.get());
    QVERIFY(GetDevConfig());
    QCOMPARE(GetDevConfig()->parent(), w.get());
    w.reset();
    QCOMPARE(GetMainWidget(), nullptr);
    QCOMPARE(GetDevConfig(), nullptr);
}

void TestMainWidget::edgeCursor_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QPoint>("posInWindow");
    QTest::addColumn<int>("shape");
    QTest::newRow("top-left") << "MainWidget" << QPoint(1, 1) << int(Qt::SizeFDiagCursor);
    QTest::newRow("bottom-right") << "MainWidget" << QPoint(828, 598) << int(Qt::SizeFDiagCursor);
    QTest::newRow("bottom-left") << "MainWidget" << QPoint(2, 597) << int(Qt::SizeBDiagCursor);
    QTest::newRow("right edge") << "MainWidget" << QPoint(827, 300) << int(Qt::SizeHorCursor);
    QTest::newRow("bottom edge") << "MainWidget" << QPoint(400, 599) << int(Qt::SizeVerCursor);
    QTest::newRow("over close button, top edge") << "pbClose" << QPoint(790, 2) << int(Qt::SizeVerCursor);
    QTest::newRow("over close button, corner") << "pbClose" << QPoint(828, 1) << int(Qt::SizeBDiagCursor);
    QTest::newRow("over add button, left edge") << "pbAddDev" << QPoint(0, 90) << int(Qt::SizeHorCursor);
}

// Hovering the 4 px band shows the matching resize cursor on the whole
// window; leaving it restores the normal cursor.
void TestMainWidget::edgeCursor()
{
    QFETCH(QString, target);
    QFETCH(QPoint, posInWindow);
    QFETCH(int, shape);
    MainWidget w;
    w.move(100, 100);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QWidget *widget = target == QLatin1String("MainWidget") ? &w : OwnChild<QWidget>(w, target);
    QVERIFY(widget);

    QTest::mouseMove(widget, widget->mapFrom(&w, posInWindow));
    QCOMPARE(int(w.cursor().shape()), shape);

    QTest::mouseMove(&w, QPoint(400, 300));
    QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);
}

// A press in the band belongs to the resize frame: a title-bar button under
// it is not clicked and the title bar does not start a drag.
void TestMainWidget::pressInResizeBandIsNotAClick()
{
    MainWidget w;
    w.move(100, 100);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto *close = OwnChild<QPushButton>(w, QStringLiteral("pbClose"));
    QSignalSpy clicked(close, &QPushButton::clicked);

    QTest::mouseClick(close, Qt::LeftButton, {}, QPoint(20, 2));
    QCOMPARE(clicked.count(), 0);
    QVERIFY(w.isVisible());
    QTest::mouseClick(close, Qt::LeftButton, {}, QPoint(20, 4));
    QCOMPARE(clicked.count(), 1);
    QVERIFY(!w.isVisible());

    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto *titleBar = OwnChild<QWidget>(w, QStringLiteral("wgTitleBar"));
    const QPoint before = w.pos();
    QTest::mousePress(titleBar, Qt::LeftButton, {}, QPoint(300, 3));
    QTest::mouseMove(titleBar, QPoint(340, 30));
    QTest::mouseRelease(titleBar, Qt::LeftButton, {}, QPoint(340, 30));
    QCOMPARE(w.pos(), before);
}

void TestMainWidget::drag_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QPoint>("pressAt");
    QTest::addColumn<bool>("fullScreen");
    QTest::addColumn<bool>("moves");
    QTest::newRow("empty title bar") << "wgTitleBar" << QPoint(300, 30) << false << true;
    QTest::newRow("title-bar bottom edge row") << "wgTitleBar" << QPoint(300, 59) << false << true;
    QTest::newRow("logo") << "lbLogo" << QPoint(35, 10) << false << true;
    QTest::newRow("help button") << "pbHelp" << QPoint(30, 30) << false << false;
    QTest::newRow("close button") << "pbClose" << QPoint(10, 30) << false << false;
    QTest::newRow("menu bar") << "wgMenuBar" << QPoint(300, 30) << false << false;
    QTest::newRow("control area") << "wgControls" << QPoint(300, 200) << false << false;
    QTest::newRow("title bar in full screen") << "wgTitleBar" << QPoint(300, 30) << true << false;
}

void TestMainWidget::drag()
{
    QFETCH(QString, target);
    QFETCH(QPoint, pressAt);
    QFETCH(bool, fullScreen);
    QFETCH(bool, moves);
    MainWidget w;
    w.move(100, 100);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    if (fullScreen) {
        w.ShowMax();
        QTRY_VERIFY(w.isFullScreen());
        QTRY_COMPARE(w.pos(), w.screen()->geometry().topLeft());
    }
    QWidget *widget = OwnChild<QWidget>(w, target);
    QVERIFY(widget);
    const QPoint before = w.pos();

    // The release happens where the pointer is on the screen, wherever the
    // window went meanwhile.
    const QPoint releaseAt = widget->mapToGlobal(pressAt + QPoint(30, 20));
    QTest::mousePress(widget, Qt::LeftButton, {}, pressAt);
    QTest::mouseMove(widget, pressAt + QPoint(30, 20));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, widget->mapFromGlobal(releaseAt));
    QCOMPARE(w.pos(), moves ? before + QPoint(30, 20) : before);

    // After the release a further move does not drag.
    QTest::mouseMove(&w, QPoint(400, 300));
    QCOMPARE(w.pos(), moves ? before + QPoint(30, 20) : before);
}

void TestMainWidget::fullScreenAndBack()
{
    MainWidget w;
    const QRect windowed(120, 80, 830, 600);
    w.setGeometry(windowed);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto *showMax = OwnChild<QPushButton>(w, QStringLiteral("pbShowMax"));
    QVERIFY(showMax->styleSheet().contains(QLatin1String(":/image/showMax.png")));

    QTest::mouseClick(showMax, Qt::LeftButton);
    QTRY_VERIFY(w.isFullScreen());
    // The test screen may be smaller than the window's minimum size.
    QTRY_COMPARE(w.pos(), w.screen()->geometry().topLeft());
    QVERIFY(w.width() >= w.screen()->geometry().width());
    QVERIFY(showMax->styleSheet().contains(QLatin1String(":/image/showNormal.png")));
    QVERIFY(!showMax->styleSheet().contains(QLatin1String("showMax.png")));

    QTest::mouseClick(showMax, Qt::LeftButton);
    QTRY_VERIFY(!w.isFullScreen());
    QVERIFY(!w.isMaximized() && !w.isMinimized());
    QTRY_COMPARE(w.geometry(), windowed);
    QVERIFY(showMax->styleSheet().contains(QLatin1String(":/image/showMax.png")));
    QVERIFY(!showMax->styleSheet().contains(QLatin1String("showNormal.png")));
}

void TestMainWidget::minimiseAndClose()
{
    MainWidget w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::mouseClick(OwnChild<QPushButton>(w, QStringLiteral("pbShowMin")), Qt::LeftButton);
    QTRY_VERIFY(w.windowState() & Qt::WindowMinimized);

    w.showNormal();
    QTRY_VERIFY(!(w.windowState() & Qt::WindowMinimized));
    // Closing asks nothing: no modal box appears and the window goes at once.
    QTest::mouseClick(OwnChild<QPushButton>(w, QStringLiteral("pbClose")), Qt::LeftButton);
    QVERIFY(!w.isVisible());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
}

void TestMainWidget::secondaryWindowCentred_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("windowClass");
    QTest::newRow("debug") << "pbDebug" << "DebugWidget";
    QTest::newRow("help") << "pbHelp" << "HelpWidget";
    QTest::newRow("settings") << "pbSettings" << "OptionWidget";
}

void TestMainWidget::secondaryWindowCentred()
{
    QFETCH(QString, button);
    QFETCH(QString, windowClass);
    MainWidget w;
    w.SetDebugButtonVisible(true);
    // Large enough that the console (1097 x 732) lies inside it and the screen.
    w.setGeometry(100, 80, 1630, 900);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    QWidget *secondary = nullptr;
    for (QWidget *child : w.findChildren<QWidget *>()) {
        if (child->isWindow() && windowClass == QLatin1String(child->metaObject()->className()))
            secondary = child;
    }
    QVERIFY(secondary);
    QVERIFY(!secondary->isVisible());
    const QSize sizeWhenClicked = secondary->size();
    QTest::mouseClick(OwnChild<QPushButton>(w, button), Qt::LeftButton);
    QVERIFY(secondary->isVisible());
    QCOMPARE(secondary->pos(), CentredTopLeft(w.geometry(), sizeWhenClicked));
    secondary->close();
}

void TestMainWidget::retranslate()
{
    MainWidget w;
    auto *debug = OwnChild<QPushButton>(w, QStringLiteral("pbDebug"));
    auto *help = OwnChild<QPushButton>(w, QStringLiteral("pbHelp"));
    FakeTranslator translator;
    QVERIFY(QCoreApplication::installTranslator(&translator));
    QTRY_COMPARE(debug->text(), QStringLiteral("DBG"));
    QCOMPARE(w.windowTitle(), QStringLiteral("Fenster"));
    QCOMPARE(help->text(), QString());

    // The message box texts are looked up under MainWidget too.
    QString confirmText;
    AnswerMessageBox(
        [&](QMessageBox *box) {
            for (QAbstractButton *button : box->buttons())
                if (box->buttonRole(button) == QMessageBox::AcceptRole)
                    confirmText = button->text();
        },
                     [](QMessageBox *box) { box->close(); });
    w.ShowMessageBox(QStringLiteral("x"));
    QCOMPARE(confirmText, QStringLiteral("OK"));

    QVERIFY(QCoreApplication::removeTranslator(&translator));
    QTRY_COMPARE(debug->text(), QStringLiteral("debug"));
    QCOMPARE(w.windowTitle(), QStringLiteral("Form"));
}

void TestMainWidget::debugSwitch_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("shown");
    const QString program = QStringLiteral("ActuatorControl");
    QTest::newRow("no arguments") << QStringList{program} << false;
    QTest::newRow("-debug") << QStringList{program, "-debug"} << true;
    QTest::newRow("-debug then more") << QStringList{program, "-debug", "x"} << true;
    QTest::newRow("upper case") << QStringList{program, "-DEBUG"} << false;
    QTest::newRow("mixed case") << QStringList{program, "-Debug"} << false;
    QTest::newRow("two hyphens") << QStringList{program, "--debug"} << false;
    QTest::newRow("appended characters") << QStringList{program, "-debugx"} << false;
    QTest::newRow("no hyphen") << QStringList{program, "debug"} << false;
    QTest::newRow("second argument") << QStringList{program, "x", "-debug"} << false;
    QTest::newRow("empty first argument") << QStringList{program, "", "-debug"} << false;
    QTest::newRow("empty list") << QStringList{} << false;
}

void TestMainWidget::debugSwitch()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, shown);
    QCOMPARE(IsDebugSwitchGiven(arguments), shown);

    MainWidget w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    ApplyCommandLine(w, arguments);
    auto *debug = OwnChild<QPushButton>(w, QStringLiteral("pbDebug"));
    QCOMPARE(debug->isVisible(), shown);
    if (shown) {
        // Between the logo's spacer and the help button.
        QApplication::processEvents();
        QCOMPARE(debug->text(), QStringLiteral("debug"));
        auto *help = OwnChild<QPushButton>(w, QStringLiteral("pbHelp"));
        QCOMPARE(debug->geometry().right() + 1, help->geometry().left());
    }
}

void TestMainWidget::fontNotUsable_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("exists");
    QTest::newRow("absent") << QByteArray() << false;
    QTest::newRow("empty file") << QByteArray() << true;
    QTest::newRow("text file") << QByteArray("this is not a font\n") << true;
    QTest::newRow("truncated font header") << QByteArray("\x00\x01\x00\x00\x00\x0f", 6) << true;
}

void TestMainWidget::fontNotUsable()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, exists);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("font.ttf"));
    if (exists) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    const QFont before = QApplication::font();
    QVERIFY(!InstallApplicationFont(path));
    QCOMPARE(QApplication::font(), before);
}

void TestMainWidget::fontInstalled()
{
    QString source;
    QDirIterator it(QStringLiteral("/usr/share/fonts"), {"*.ttf", "*.otf"}, QDir::Files,
                    QDirIterator::Subdirectories);
    if (it.hasNext())
        source = it.next();
    if (source.isEmpty())
        QSKIP("no font file on this machine to install");

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("font.ttf"));
    QVERIFY(QFile::copy(source, path));
    const QFont before = QApplication::font();
    QVERIFY(InstallApplicationFont(path));
    const QFont after = QApplication::font();
    QApplication::setFont(before);

    QCOMPARE(after.pixelSize(), 16);
    QVERIFY(QFontDatabase().families().contains(after.family()));
    QVERIFY2(!QFontDatabase::applicationFontFamilies(QFontDatabase::addApplicationFont(path)).isEmpty(),
             qPrintable(source));
    QCOMPARE(after.family(),
             QFontDatabase::applicationFontFamilies(QFontDatabase::addApplicationFont(path)).first());
}

void TestMainWidget::messageBoxResult_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("result");
    QTest::newRow("confirm") << QStringLiteral("确认") << 1;
    QTest::newRow("cancel") << QStringLiteral("取消") << 0;
    QTest::newRow("escape") << QStringLiteral("escape") << 0;
    QTest::newRow("close window") << QStringLiteral("close") << 0;
}

void TestMainWidget::messageBoxResult()
{
    QFETCH(QString, answer);
    QFETCH(int, result);
    MainWidget w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    bool answered = false;
    AnswerMessageBox([](QMessageBox *) {}, [&](QMessageBox *box) {
        answered = true;
        if (answer == QLatin1String("escape"))
            QTest::keyClick(box, Qt::Key_Escape);
        else if (answer == QLatin1String("close"))
            box->close();
        else
            QTest::mouseClick(ButtonWithText(box, answer), Qt::LeftButton);
    });
    QCOMPARE(w.ShowMessageBox(QStringLiteral("您确定要关闭控制窗口吗?")), result);
    QVERIFY(answered);
    QVERIFY(w.findChildren<QMessageBox *>().isEmpty());
}

void TestMainWidget::messageBoxLook()
{
    MainWidget w;
    // The box is kept on the (800x600) test screen, so the window leaves room for it.
    w.setGeometry(-20, 0, 830, 600);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    const QString text = QStringLiteral("速度值 超出限制范围\n[0.01-2.00]!\n");
    QWidget *parent = nullptr;
    QString title, shownText;
    QSize boxSize, labelSize;
    bool hasWindowIcon = false, iconEmpty = false;
    QRect confirmRect, cancelRect;
    QPoint boxCentre;
    QString confirmStyle;
    AnswerMessageBox(
        [&](QMessageBox *box) {
            parent = box->parentWidget();
            title = box->windowTitle();
            hasWindowIcon = !box->windowIcon().isNull();
            iconEmpty = box->icon() == QMessageBox::NoIcon;
            auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
            shownText = label ? label->text() : QString();
            labelSize = label ? label->size() : QSize();
            boxSize = box->size();
            boxCentre = box->frameGeometry().center();
            QPushButton *confirm = ButtonWithText(box, QStringLiteral("确认"));
            QPushButton *cancel = ButtonWithText(box, QStringLiteral("取消"));
            if (confirm && cancel) {
                confirmRect = QRect(confirm->mapTo(box, QPoint()), confirm->size());
                cancelRect = QRect(cancel->mapTo(box, QPoint()), cancel->size());
                confirmStyle = confirm->styleSheet();
            }
        },
        [](QMessageBox *box) { box->close(); });
    QCOMPARE(w.ShowMessageBox(text), 0);

    QCOMPARE(parent, &w);
    QCOMPARE(title, QStringLiteral("提示"));
    QVERIFY(hasWindowIcon);
    QVERIFY(iconEmpty);
    QCOMPARE(shownText, text);
    QVERIFY2(boxSize.width() >= 600 && boxSize.height() >= 400, qPrintable(QStringLiteral("%1x%2").arg(boxSize.width()).arg(boxSize.height())));
    QVERIFY2(labelSize.width() >= 300 && labelSize.height() >= 80, qPrintable(QStringLiteral("%1x%2").arg(labelSize.width()).arg(labelSize.height())));
    // "确认" left of "取消", both in the right half of the box, side by side.
    QVERIFY(confirmRect.isValid() && cancelRect.isValid());
    QVERIFY(confirmRect.right() < cancelRect.left());
    QVERIFY(confirmRect.left() > boxSize.width() / 2);
    QCOMPARE(confirmRect.top(), cancelRect.top());
    QVERIFY(confirmRect.width() >= 70 && confirmRect.height() >= 30);
    QVERIFY(confirmStyle.contains(QLatin1String("#298DFF")));
    // Centred on the main window (Qt allows for a guessed window-manager
    // frame when it places a dialog, hence the tolerance).
    QVERIFY2((boxCentre - w.frameGeometry().center()).manhattanLength() <= 50,
             qPrintable(QStringLiteral("%1,%2").arg(boxCentre.x()).arg(boxCentre.y())));
}

QTEST_MAIN(TestMainWidget)
#include "tst_mainwidget.moc"

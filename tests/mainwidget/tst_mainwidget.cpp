// The main window's frame, title-bar buttons and question box. Mouse events
// go through the window system layer, with implicit grabs, as real ones do.
#define QTEST_QPA_MOUSE_HANDLING

#include "app/Startup.h"
#include "config/DevConfig.h"
#include "tests/support/AppHarness.h"

#include <QCheckBox>
#include <QLabel>
#include <QScreen>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>

class TestMainWidget : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWidget> w;

    // The title bar's own buttons; secondary windows use the same names.
    QPushButton *Own(const QString &name) { return w->findChild<QWidget *>("wgTitleBar")->findChild<QPushButton *>(name); }

    // How far a press, a move by (30, 20) and a release at `at` on the widget
    // move its window; a move after the release must not drag it on.
    static QPoint Dragged(QWidget *widget, QPoint at)
    {
        QWidget *window = widget->window();
        const QPoint before = window->pos();
        const QPoint releaseAt = widget->mapToGlobal(at + QPoint(30, 20));
        QTest::mousePress(widget, Qt::LeftButton, {}, at);
        QTest::mouseMove(widget, at + QPoint(30, 20));
        QTest::mouseRelease(widget, Qt::LeftButton, {}, widget->mapFromGlobal(releaseAt));
        QTest::mouseMove(window, window->rect().center());
        return window->pos() - before;
    }

private slots:
    void init()
    {
        w = harness::MakeWindow();
        w->move(100, 100);
        QVERIFY(GetMainWidget() == w.get() && GetDevConfig()->parent() == w.get());
    }
    // The accessors never hand out a destroyed window or its store.
    void cleanup()
    {
        w.reset();
        QVERIFY(!GetMainWidget() && !GetDevConfig());
    }

    // A 4 px band along the outer edge resizes the frameless window: each
    // point's Windows hit-test code, the edges it drags and the cursor shown
    // over it (also over a title-bar button) follow from the bands it is in.
    void edgeBand()
    {
        QTest::mouseMove(w.get(), QPoint(400, 300));
        for (int y : {1, 3, 4, 595, 596, 599}) {
            for (int x : {1, 3, 4, 825, 826, 829}) {
                const int h = x < 4 ? 1 : x >= 826 ? 2 : 0, v = y < 4 ? 1 : y >= 596 ? 2 : 0;
                const int code = EdgeHitTest({x, y}, {830, 600});
                QCOMPARE(code, h + v ? 9 + 3 * v + h : 0);
                QCOMPARE(EdgesForHitTest(code), Qt::Edges((h == 1 ? Qt::LeftEdge : h ? Qt::RightEdge : 0)
                                                           | (v == 1 ? Qt::TopEdge : v ? Qt::BottomEdge : 0)));
                const Qt::CursorShape shapes[3][3] = {{Qt::ArrowCursor, Qt::SizeHorCursor, Qt::SizeHorCursor},
                                                      {Qt::SizeVerCursor, Qt::SizeFDiagCursor, Qt::SizeBDiagCursor},
                                                      {Qt::SizeVerCursor, Qt::SizeBDiagCursor, Qt::SizeFDiagCursor}};
                QWidget *under = w->childAt(x, y) ? w->childAt(x, y) : w.get();
                QTest::mouseMove(under, under->mapFrom(w.get(), {x, y}));
                QVERIFY2(w->cursor().shape() == shapes[v][h], qPrintable(QString("%1,%2").arg(x).arg(y)));
            }
        }
    }

    // The window is dragged by its title bar only (not by its resize band or
    // a button on it), and not while full screen. A press in the band is no
    // click on the button below it. Full screen and back restores the
    // window; minimise; close asks nothing.
    void titleBar()
    {
        QWidget *titleBar = w->findChild<QWidget *>("wgTitleBar");
        QCOMPARE(Dragged(titleBar, {300, 30}), QPoint(30, 20));
        QCOMPARE(Dragged(titleBar, {300, 3}), QPoint());
        QCOMPARE(Dragged(Own("pbHelp"), {30, 30}), QPoint());
        QTest::mouseClick(Own("pbClose"), Qt::LeftButton, {}, QPoint(20, 2));
        QVERIFY(w->isVisible());
        const QRect windowed = w->geometry();
        QTest::mouseClick(Own("pbShowMax"), Qt::LeftButton);
        QTRY_COMPARE(w->pos(), w->screen()->geometry().topLeft());
        QVERIFY(w->isFullScreen() && Own("pbShowMax")->styleSheet().contains("showNormal.png"));
        QCOMPARE(Dragged(titleBar, {300, 30}), QPoint());
        QTest::mouseClick(Own("pbShowMax"), Qt::LeftButton);
        QTRY_COMPARE(w->geometry(), windowed);
        QVERIFY(!w->isFullScreen() && Own("pbShowMax")->styleSheet().contains("showMax.png"));
        QTest::mouseClick(Own("pbShowMin"), Qt::LeftButton);
        QTRY_VERIFY(w->windowState() & Qt::WindowMinimized);
        w->showNormal();
        QTest::mouseClick(Own("pbClose"), Qt::LeftButton, {}, QPoint(20, 4));
        QVERIFY(!w->isVisible());
    }

    // A dialog is dragged by its title strip only.
    void dialogDraggedByTitleStrip()
    {
        harness::Pick(w.get(), {}, false);
        AddDevWidget *dialog = harness::Dialog(w.get());
        QVERIFY(dialog->isVisible());
        QCOMPARE(Dragged(dialog->findChild<QWidget *>("wgTitle"), {60, 12}), QPoint(30, 20));
        QWidget *back = dialog->findChild<QWidget *>("wgBack");
        QCOMPARE(Dragged(back, {back->width() / 2, back->height() - 6}), QPoint());
    }

    // The console (shown with -debug as the first argument only), help and
    // settings windows open centred on the main window.
    void secondaryWindowsCentred()
    {
        QVERIFY(!Own("pbDebug")->isVisible());
        ApplyCommandLine(*w, ParseCommandLine({"app", "-debug"}));
        w->setGeometry(100, 80, 1630, 900);
        const QList<QPair<QString, const char *>> windows{
            {"pbDebug", "DebugWidget"}, {"pbHelp", "HelpWidget"}, {"pbSettings", "OptionWidget"}};
        for (const auto &button : windows) {
            QTest::mouseClick(Own(button.first), Qt::LeftButton);
            QWidget *shown = nullptr;
            for (QWidget *child : w->findChildren<QWidget *>()) {
                if (child->isWindow() && child->isVisible())
                    shown = child;
            }
            QVERIFY(shown && shown->inherits(button.second));
            QCOMPARE(shown->pos(), QPoint(100 + (1630 - shown->width()) / 2, 80 + (900 - shown->height()) / 2));
            shown->close();
        }
    }

    // The options window switches the script interface: the operator's click
    // is stored and starts or stops it, -remote starts it for this run only;
    // a port another program holds is shown.
    void remoteSwitch()
    {
        QTcpServer other;
        QVERIFY(other.listen(QHostAddress::LocalHost));
        const quint16 port = other.serverPort();
        other.close();
        QSettings ini(QCoreApplication::applicationDirPath() + "/appConfig.ini", QSettings::IniFormat);
        ini.setValue("remote/port", port);
        ini.sync();
        auto *box = w->findChild<QCheckBox *>("cbRemote");
        auto *state = w->findChild<QLabel *>("lbRemoteState");
        const auto click = [&](const char *shown) {
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
            ini.sync();
            QCOMPARE(state->text(), QString::fromUtf8(shown).arg(port));
            QCOMPARE(ini.value("remote/enabled").toBool(), box->isChecked());
        };
        QVERIFY(!box->isChecked());
        ApplyCommandLine(*w, ParseCommandLine({"app", "-remote"}));
        QVERIFY(box->isChecked() && !ini.contains("remote/enabled"));
        QCOMPARE(state->text(), QString::fromUtf8("端口 %1 · 已连接的客户端：0").arg(port));
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(client.waitForConnected(5000));
        w->ShowSettingWindow();
        click("端口 %1 · 未开启");
        QVERIFY(other.listen(QHostAddress::LocalHost, port));
        click("端口 %1 已被其他程序占用");
        other.close();
        click("端口 %1 · 未开启");
        click("端口 %1 · 已连接的客户端：0");
        QVERIFY(QFile::remove(ini.fileName()) && QFile::remove(QCoreApplication::applicationDirPath() + "/remote.token"));
    }

    // -debug counts only as the first argument, exactly; -remote alone or
    // after it. Help and version win over anything else (they are answered
    // before Qt took out its own options); other options and arguments are refused.
    void commandLine()
    {
        const int run = CommandLine::Run, refuse = CommandLine::Refuse;
        const struct { QStringList arguments; int action; bool debug, remote; } rows[] = {
            {{}, run, false, false}, {{"-debug"}, run, true, false}, {{"-debug", "-remote"}, run, true, true},
            {{"-remote", "-debug"}, run, false, true}, {{"--debug"}, run, false, false}, {{"-Debug"}, refuse, false, false},
            {{"-debugx"}, refuse, false, false}, {{"x", "-debug"}, refuse, false, false}, {{"-remote=1"}, refuse, false, false},
            {{"-platform", "offscreen", "-h"}, CommandLine::ShowHelp, false, false},
            {{"--bogus", "--version"}, CommandLine::ShowVersion, false, false}};
        for (const auto &row : rows) {
            const CommandLine parsed = ParseCommandLine(QStringList{"app"} + row.arguments);
            QVERIFY2(parsed.action == row.action && parsed.error.isEmpty() == (row.action != refuse)
                         && (row.action != run || (parsed.debug == row.debug && parsed.remote == row.remote)),
                     qPrintable(row.arguments.join(' ')));
        }
    }

    // The window keeps its centre when its new size fits the screen's usable
    // area, is moved into it otherwise, and takes it all when too large.
    // A tab shows the serial's last eight characters.
    void layoutRules()
    {
        const QRect screen(0, 0, 1920, 1050);
        QCOMPARE(FittedGeometry({0, 0, 831, 601}, {300, 200}, screen), QRect(265, 200, 300, 200));
        QCOMPARE(FittedGeometry({1000, 400, 830, 600}, {1630, 900}, screen), QRect(290, 150, 1630, 900));
        QCOMPARE(FittedGeometry({2400, 300, 830, 600}, {1630, 900}, {1920, 0, 1366, 768}), QRect(1920, 0, 1366, 768));
        QCOMPARE(DevTabText("ORV 12345678"), QStringLiteral("ORV\n*12345678"));
        QCOMPARE(DevTabText("ORV 1234567"), QStringLiteral("ORV\n1234567"));
    }

    // The question box: large enough to read, confirm left of cancel,
    // centred on the window; only confirm answers yes.
    void messageBox()
    {
        w->setGeometry(-20, 0, 830, 600);
        for (const QString &answer : QStringList{"确认", "取消"}) {
            QRect box;
            QMap<QString, int> x;
            std::unique_ptr<harness::BoxAnswerer> answerer;
            QTimer look;
            connect(&look, &QTimer::timeout, [&] {
                if (auto *shown = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                    box = shown->frameGeometry();
                    for (QAbstractButton *b : shown->buttons())
                        x[b->text()] = b->mapTo(shown, QPoint()).x();
                    if (!answerer)
                        answerer.reset(new harness::BoxAnswerer(answer));
                }
            });
            look.start(10);
            QCOMPARE(w->ShowMessageBox("x"), answer == "确认" ? 1 : 0);
            QCOMPARE(answerer->texts, QStringList{"x"});
            QVERIFY(box.width() >= 600 && box.height() >= 400);
            QVERIFY(box.width() / 2 < x["确认"] && x["确认"] < x["取消"]);
            QVERIFY((box.center() - w->frameGeometry().center()).manhattanLength() <= 50);
        }
    }
};

QTEST_MAIN(TestMainWidget)
#include "tst_mainwidget.moc"

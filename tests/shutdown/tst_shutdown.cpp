#include "app/MainWidget.h"
#include "sim/ActuatorSimControl.h"
#include "tests/support/SimJournal.h"

#include <QtTest>

namespace {

using simjournal::Journal;

} // namespace

// Tearing down the main window releases the vendor library.
class TestShutdown : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void releaseAtDestruction();
};

void TestShutdown::init()
{
    simReset();
    simJournalEnable(1);
}

void TestShutdown::releaseAtDestruction()
{
    auto *w = new MainWidget;
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    simJournalClear();
    QCOMPARE(Journal().filter(QStringLiteral("releaseDev(")).size(), 0);

    delete w;
    const QStringList journal = Journal();
    QCOMPARE(journal.filter(QRegularExpression(QStringLiteral("^releaseDev\\("))).size(), 1);
    QVERIFY2(journal.first().startsWith(QLatin1String("releaseDev(")), qPrintable(journal.join('\n')));
}

QTEST_MAIN(TestShutdown)
#include "tst_shutdown.moc"

#include "device/ActuatorModel.h"

#include <QtTest>

class TestActuatorModel : public QObject
{
    Q_OBJECT

private slots:
    void lookup_data();
    void lookup();
    void tableInCodeOrder();
};

void TestActuatorModel::lookup_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("expectedCode");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("travel");

    QTest::newRow("1") << 1 << 1 << "QUMA-S1A" << 6;
    QTest::newRow("2") << 2 << 2 << "QUMA-S1B" << 6;
    QTest::newRow("3") << 3 << 3 << "QUMA-L1A" << 13;
    QTest::newRow("4") << 4 << 4 << "QUMA-L1B" << 13;
    QTest::newRow("0 falls back") << 0 << 0 << "Null" << 100;
    QTest::newRow("5 falls back") << 5 << 0 << "Null" << 100;
    QTest::newRow("failed read -1") << -1 << 0 << "Null" << 100;
    QTest::newRow("failed read -32768") << -32768 << 0 << "Null" << 100;
    QTest::newRow("32767 falls back") << 32767 << 0 << "Null" << 100;
}

void TestActuatorModel::lookup()
{
    QFETCH(int, code);
    QFETCH(int, expectedCode);
    QFETCH(QString, name);
    QFETCH(int, travel);

    const ActuatorModelInfo info = GetActuatorModel(int16_t(code));
    QCOMPARE(int(info.code), expectedCode);
    QCOMPARE(info.name, name);
    QCOMPARE(int(info.travelMm), travel);
}

void TestActuatorModel::tableInCodeOrder()
{
    int count = -1;
    const ActuatorModelInfo *table = GetActuatorModelCount(&count);
    QCOMPARE(count, 4);
    QVERIFY(table);
    for (int p = 0; p < count; ++p) {
        const ActuatorModelInfo byCode = GetActuatorModel(int16_t(p + 1));
        QCOMPARE(int(table[p].code), p + 1);
        QCOMPARE(table[p].name, byCode.name);
        QCOMPARE(table[p].travelMm, byCode.travelMm);
    }
    QVERIFY(GetActuatorModelCount(nullptr) == table);
}

QTEST_APPLESS_MAIN(TestActuatorModel)
#include "tst_actuatormodel.moc"

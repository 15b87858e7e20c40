#include <QDir>
#include <QImage>
#include <QResource>
#include <QtTest>

// The compiled-in image set: every picture the style sheets name, with its
// exact size, stored uncompressed and actually drawn.
class TestImages : public QObject
{
    Q_OBJECT

private slots:
    void imagePresent_data();
    void imagePresent();
    void noOtherImages();
    void variantsDiffer_data();
    void variantsDiffer();
};

void TestImages::imagePresent_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    const QList<QPair<const char *, QSize>> images = {
        {"addIn", {80, 80}},          {"close", {40, 40}},
        {"chart", {24, 24}},          {"chartPressed", {24, 24}},
        {"chartRecording", {24, 24}},
        {"company", {70, 20}},        {"connect", {22, 22}},
        {"cruiseParamBack", {260, 276}}, {"devLogo", {383, 27}},
        {"downArrow", {30, 60}},      {"downPressedWhiteBack", {32, 32}},
        {"downWhiteBack", {32, 32}},  {"driveParamBack", {280, 171}},
        {"dropDownOnWhiteBack", {32, 32}}, {"dropDownWhiteBack", {32, 32}},
        {"grayPot", {30, 30}},        {"greenPot", {30, 30}},
        {"help", {24, 24}},           {"helpPressed", {24, 24}},
        {"home", {60, 60}},           {"homeDisable", {60, 60}},
        {"homeHover", {60, 60}},      {"homePressed", {60, 60}},
        {"jogParamBack", {260, 171}}, {"minSize", {40, 40}},
        {"motorBtnDisable", {60, 60}}, {"motorChecked", {60, 60}},
        {"motorHover", {60, 60}},     {"motorUnchecked", {60, 60}},
        {"moveLeft", {60, 60}},       {"moveParamBack", {285, 190}},
        {"moveRight", {60, 60}},      {"moveRightPro", {120, 60}},
        {"options", {24, 24}},        {"optionsPressed", {24, 24}},
        {"showMax", {23, 23}},        {"showNormal", {23, 23}},
        {"stop", {60, 60}},           {"stopHover", {60, 60}},
        {"stopPressed", {60, 60}},    {"upPressedWhiteBack", {32, 32}},
        {"upWhiteBack", {32, 32}},
    };
    QCOMPARE(images.size(), 42);
    for (const auto &image : images)
        QTest::newRow(image.first) << QString::fromLatin1(image.first) << image.second;
}

void TestImages::imagePresent()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);
    const QString path = QStringLiteral(":/image/%1.png").arg(name);

    const QResource resource(path);
    QVERIFY2(resource.isValid(), qPrintable(path));
    QCOMPARE(resource.compressionAlgorithm(), QResource::NoCompression);

    const QImage image(path);
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), size);

    // Something visible is drawn: not every pixel transparent.
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    int opaque = 0;
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x)
            opaque += qAlpha(argb.pixel(x, y)) > 128 ? 1 : 0;
    QVERIFY2(opaque >= 10, qPrintable(QStringLiteral("%1 opaque pixels").arg(opaque)));
}

void TestImages::noOtherImages()
{
    const QStringList entries = QDir(QStringLiteral(":/image")).entryList(QDir::Files);
    QCOMPARE(entries.size(), 42);
    for (const QString &entry : entries)
        QVERIFY2(entry.endsWith(QLatin1String(".png")), qPrintable(entry));
}

void TestImages::variantsDiffer_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    const QList<QPair<const char *, const char *>> pairs = {
        {"home", "homeHover"},           {"home", "homePressed"},
        {"home", "homeDisable"},         {"homeHover", "homePressed"},
        {"stop", "stopHover"},           {"stop", "stopPressed"},
        {"motorUnchecked", "motorChecked"}, {"motorUnchecked", "motorHover"},
        {"motorChecked", "motorBtnDisable"}, {"help", "helpPressed"},
        {"options", "optionsPressed"},   {"showMax", "showNormal"},
        {"chart", "chartPressed"},       {"chart", "chartRecording"},
        {"grayPot", "greenPot"},         {"moveLeft", "moveRight"},
        {"upWhiteBack", "downWhiteBack"}, {"upWhiteBack", "upPressedWhiteBack"},
        {"downWhiteBack", "downPressedWhiteBack"},
        {"dropDownWhiteBack", "dropDownOnWhiteBack"},
    };
    for (const auto &pair : pairs)
        QTest::newRow(qPrintable(QStringLiteral("%1/%2").arg(pair.first, pair.second)))
            << QString::fromLatin1(pair.first) << QString::fromLatin1(pair.second);
}

// Hover, pressed, disabled and checked looks must be told apart at a glance:
// a good share of the pixels differs clearly.
void TestImages::variantsDiffer()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    const QImage a = QImage(QStringLiteral(":/image/%1.png").arg(first)).convertToFormat(QImage::Format_ARGB32);
    const QImage b = QImage(QStringLiteral(":/image/%1.png").arg(second)).convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(a.size(), b.size());
    int differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            const int delta = qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q))
                              + qAbs(qBlue(p) - qBlue(q)) + qAbs(qAlpha(p) - qAlpha(q));
            differing += delta > 60 ? 1 : 0;
        }
    }
    QVERIFY2(differing * 20 >= a.width() * a.height(),
             qPrintable(QStringLiteral("%1 of %2 pixels differ").arg(differing).arg(a.width() * a.height())));
}

QTEST_GUILESS_MAIN(TestImages)
#include "tst_images.moc"

// Every picture the forms and style sheets name is compiled in, sized for its widget.
#include <QImage>
#include <QtTest>

class TestImages : public QObject
{
    Q_OBJECT

private slots:
    void namedImagesPresent()
    {
        const QList<QPair<QSize, QString>> laidOut = {
            {{24, 24}, "chart chartPressed chartRecording help helpPressed options optionsPressed"},
            {{32, 32}, "upWhiteBack upPressedWhiteBack downWhiteBack downPressedWhiteBack dropDownWhiteBack "
                       "dropDownOnWhiteBack"},
            {{60, 60}, "home homeDisable homeHover homePressed motorBtnDisable motorChecked motorUnchecked moveLeft "
                       "moveRight stop stopHover stopPressed"},
            {{40, 40}, "close minSize"}, {{23, 23}, "showMax showNormal"}, {{30, 30}, "grayPot greenPot"},
            {{80, 80}, "addIn"}, {{70, 20}, "company"}, {{383, 27}, "devLogo"}, {{30, 60}, "downArrow"},
            {{120, 60}, "moveRightPro"}, {{260, 276}, "cruiseParamBack"}, {{280, 171}, "driveParamBack"},
            {{260, 171}, "jogParamBack"}, {{285, 190}, "moveParamBack"}};
        QMap<QString, QSize> sizes;
        for (const auto &group : laidOut)
            for (const QString &name : group.second.split(' '))
                sizes[name] = group.first;
        QSet<QString> named;
        QDirIterator it(SOURCE_DIR, {"*.ui", "*.cpp"}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (file.fileName().contains(QRegularExpression("/(tests|build[^/]*|tools)/")))
                continue;
            QVERIFY(file.open(QIODevice::ReadOnly));
            auto match = QRegularExpression(":/image/(\\w+)\\.png").globalMatch(QString::fromUtf8(file.readAll()));
            while (match.hasNext())
                named << match.next().captured(1);
        }
        QCOMPARE(named.size(), sizes.size());
        for (const QString &name : named)
            QVERIFY2(QImage(":/image/" + name + ".png").size() == sizes.value(name), qPrintable(name));
    }
};

QTEST_GUILESS_MAIN(TestImages)
#include "tst_images.moc"

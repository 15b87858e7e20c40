// The English catalogue: every interface text of the sources has a finished
// translation under its class's context that keeps the source's placeholders
// and outer whitespace, and the compiled catalogue answers with it.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

struct Message
{
    QString context;
    QString source;
    QString comment;
    QString translation;
    QString type; // the translation's type attribute: "", "unfinished", "vanished", "obsolete"
};

QString Key(const QString &context, const QString &source, const QString &comment)
{
    QString key = context + QStringLiteral(": \"") + source + QLatin1Char('"');
    if (!comment.isEmpty())
        key += QStringLiteral(" (") + comment + QLatin1Char(')');
    return key.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
}

QString Key(const Message &m)
{
    return Key(m.context, m.source, m.comment);
}

// Messages of a Qt Linguist file; *error gets the reader's error, if any.
QList<Message> ParseTs(const QString &path, QString *error)
{
    QList<Message> messages;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return messages;
    }
    QXmlStreamReader xml(&file);
    QString context;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            Message m;
            m.context = context;
            while (xml.readNextStartElement()) {
                if (xml.name() == QLatin1String("source")) {
                    m.source = xml.readElementText();
                } else if (xml.name() == QLatin1String("comment")) {
                    m.comment = xml.readElementText();
                } else if (xml.name() == QLatin1String("translation")) {
                    m.type = xml.attributes().value(QStringLiteral("type")).toString();
                    m.translation = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                } else {
                    xml.skipCurrentElement();
                }
            }
            messages << m;
        }
    }
    if (xml.hasError())
        *error = QStringLiteral("%1 at line %2").arg(xml.errorString()).arg(xml.lineNumber());
    return messages;
}

QList<Message> Committed()
{
    QString error;
    const QList<Message> messages = ParseTs(QStringLiteral(TS_FILE), &error);
    if (!error.isEmpty())
        qWarning("%s: %s", TS_FILE, qPrintable(error));
    return messages;
}

QStringList Placeholders(const QString &text)
{
    static const QRegularExpression re(QStringLiteral("%L?[1-9]"));
    QStringList found;
    auto it = re.globalMatch(text);
    while (it.hasNext())
        found << it.next().captured();
    found.sort();
    return found;
}

QString Leading(const QString &text)
{
    int n = 0;
    while (n < text.size() && text.at(n).isSpace())
        ++n;
    return text.left(n);
}

QString Trailing(const QString &text)
{
    int n = 0;
    while (n < text.size() && text.at(text.size() - 1 - n).isSpace())
        ++n;
    return text.right(n);
}

// Chinese characters and full-width punctuation: an English text has none.
bool HasChinese(const QString &text)
{
    static const QRegularExpression re(
            QStringLiteral("[\\x{3000}-\\x{303F}\\x{3400}-\\x{9FFF}\\x{FF00}-\\x{FFEF}]"));
    return re.match(text).hasMatch();
}

} // namespace

class TestTranslation : public QObject
{
    Q_OBJECT

private slots:
    void catalogueReads();
    void messages_data();
    void messages();
    void catalogueMatchesSources();
    void compiledCatalogue();
    void knownTexts_data();
    void knownTexts();
};

void TestTranslation::catalogueReads()
{
    QString error;
    const QList<Message> messages = ParseTs(QStringLiteral(TS_FILE), &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(messages.size() > 100);

    QSet<QString> keys;
    QStringList twice;
    for (const Message &m : messages) {
        QVERIFY2(!m.context.isEmpty(), qPrintable(Key(m)));
        if (keys.contains(Key(m)))
            twice << Key(m);
        keys.insert(Key(m));
    }
    QVERIFY2(twice.isEmpty(), qPrintable(twice.join(QLatin1Char('\n'))));
}

void TestTranslation::messages_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("translation");
    QTest::addColumn<QString>("type");
    for (const Message &m : Committed())
        QTest::newRow(qPrintable(Key(m))) << m.source << m.translation << m.type;
}

void TestTranslation::messages()
{
    QFETCH(QString, source);
    QFETCH(QString, translation);
    QFETCH(QString, type);

    QVERIFY2(type.isEmpty(), qPrintable(QStringLiteral("translation marked \"%1\"").arg(type)));
    QVERIFY2(!translation.trimmed().isEmpty() || source.trimmed().isEmpty(), "no translation");
    QVERIFY2(!HasChinese(translation), qPrintable(translation));
    QCOMPARE(Placeholders(translation), Placeholders(source));
    QCOMPARE(Leading(translation), Leading(source));
    QCOMPARE(Trailing(translation), Trailing(source));
}

// lupdate reads the sources into a fresh catalogue: each of its texts must be
// in the committed one, and the committed one holds no text the sources lost.
void TestTranslation::catalogueMatchesSources()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString fresh = dir.filePath(QStringLiteral("fresh.ts"));
    QStringList args{QStringLiteral("-no-obsolete"), QStringLiteral("-locations"), QStringLiteral("none"),
                     QStringLiteral("-silent")};
    args << QStringLiteral(TR_DIRS).split(QLatin1Char(','));
    args << QStringLiteral("-ts") << fresh;

    QProcess lupdate;
    lupdate.setWorkingDirectory(QStringLiteral(SOURCE_DIR));
    lupdate.start(QStringLiteral(LUPDATE_PATH), args);
    QVERIFY2(lupdate.waitForFinished(60000), qPrintable(lupdate.errorString()));
    QVERIFY2(lupdate.exitStatus() == QProcess::NormalExit && lupdate.exitCode() == 0,
             lupdate.readAllStandardError().constData());

    QString error;
    const QList<Message> scanned = ParseTs(fresh, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(scanned.size() > 100);

    QSet<QString> committed;
    for (const Message &m : Committed())
        committed.insert(Key(m));
    QSet<QString> inSources;
    QStringList missing;
    for (const Message &m : scanned) {
        inSources.insert(Key(m));
        if (!committed.contains(Key(m)))
            missing << Key(m);
    }
    QStringList stale;
    for (const QString &key : qAsConst(committed)) {
        if (!inSources.contains(key))
            stale << key;
    }
    stale.sort();
    QVERIFY2(missing.isEmpty(),
             qPrintable(QStringLiteral("texts without a translation (build target update_translations, "
                                       "then translate them in resources/en_US.ts):\n")
                        + missing.join(QLatin1Char('\n'))));
    QVERIFY2(stale.isEmpty(),
             qPrintable(QStringLiteral("texts no longer in the sources:\n") + stale.join(QLatin1Char('\n'))));
}

void TestTranslation::compiledCatalogue()
{
    QTranslator translator;
    QVERIFY2(translator.load(QStringLiteral(QM_FILE)), QM_FILE);
    QStringList wrong;
    for (const Message &m : Committed()) {
        const QString got = translator.translate(qPrintable(m.context), qPrintable(m.source),
                                                 m.comment.isEmpty() ? nullptr : qPrintable(m.comment));
        if (got != m.translation)
            wrong << Key(m) + QStringLiteral(" -> \"") + got + QLatin1Char('"');
    }
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n'))));
}

void TestTranslation::knownTexts_data()
{
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("english");

    const struct
    {
        const char *context;
        const char *source;
        const char *english;
    } rows[] = {
        {"MainWidget", "设备已断开!", "Device disconnected!"},
        {"MainWidget", "取消", "Cancel"},
        {"AddDevWidget", "添加设备", "Add device"},
        {"ControlWidget", "运行中", "Running"},
        {"MoveParamWidget", "目标位置 超出限制范围\n", "Target position out of range\n"},
        {"JogParamWidget", "步进次数 超出限制范围\n", "Jog count out of range\n"},
        {"DriveParamWidget", "速度:", "Speed:"},
        {"CruiseCtrlWidget", "启动", "Start"},
        {"BtnParamWidget", "离线参数", "Offline parameters"},
        {"TriParamWidget", "上升沿", "Rising"},
        {"HelpWidget", "帮助", "Help"},
        {"OptionWidget", "英文", "English"},
        {"DebugWidget", ",  成功", ",  succeeded"},
        {"SerialComDev", "回原点", "Home"},
        {"SerialComDev", "操作成功", "succeeded"},
        {"SerialComDev", "设备已断开……", "Device disconnected..."},
        {"SerialComDev", "  剩余次数: %1", "  remaining: %1"},
    };
    for (const auto &row : rows) {
        QTest::newRow(qPrintable(Key(QLatin1String(row.context), QString::fromUtf8(row.source), QString())))
                << QString::fromLatin1(row.context) << QString::fromUtf8(row.source)
                << QString::fromUtf8(row.english);
    }
}

void TestTranslation::knownTexts()
{
    QFETCH(QString, context);
    QFETCH(QString, source);
    QFETCH(QString, english);

    QTranslator translator;
    QVERIFY(translator.load(QStringLiteral(QM_FILE)));
    QCOMPARE(translator.translate(qPrintable(context), source.toUtf8().constData()), english);
}

QTEST_GUILESS_MAIN(TestTranslation)
#include "tst_translation.moc"

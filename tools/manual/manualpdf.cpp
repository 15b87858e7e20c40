// manualpdf <input.html> <output.pdf>
//
// Lays out an HTML document with the toolkit's rich-text engine and writes it
// as an A4 PDF with page numbers. Body text uses a CJK font so that Chinese
// renders on every machine that has fonts-noto-cjk (or a listed alternative).
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <QTextStream>

#include <cstdio>

namespace {
QString PickCjkFamily()
{
    const QStringList wanted = {
        QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Sans SC"),
        QStringLiteral("Source Han Sans SC"), QStringLiteral("WenQuanYi Zen Hei"),
        QStringLiteral("Microsoft YaHei"), QStringLiteral("SimSun"),
    };
    const QStringList families = QFontDatabase().families();
    for (const QString &family : wanted) {
        if (families.contains(family, Qt::CaseInsensitive))
            return family;
    }
    return QString();
}
}

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: manualpdf <input.html> <output.pdf>\n");
        return 2;
    }

    QFile input(args.at(1));
    if (!input.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "manualpdf: cannot read %s\n", qPrintable(args.at(1)));
        return 1;
    }
    const QString html = QString::fromUtf8(input.readAll());

    const QString family = PickCjkFamily();
    if (family.isEmpty()) {
        std::fprintf(stderr, "manualpdf: no CJK font found (install fonts-noto-cjk)\n");
        return 1;
    }

    const QString outPath = args.at(2);
    QPdfWriter writer(outPath);
    writer.setCreator(QStringLiteral("manualpdf"));
    writer.setTitle(QFileInfo(outPath).completeBaseName());
    writer.setResolution(300);
    // QTextDocument::print() lays the text out with 2 cm margins of its own and
    // puts the page number into the bottom margin, so the page itself has none.
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));

    QTextDocument doc;
    QFont font(family);
    font.setPointSizeF(10.5);
    doc.setDefaultFont(font);
    doc.setHtml(html);
    doc.print(&writer);

    if (!QFileInfo(outPath).isFile() || QFileInfo(outPath).size() == 0) {
        std::fprintf(stderr, "manualpdf: writing %s failed\n", qPrintable(outPath));
        return 1;
    }
    return 0;
}

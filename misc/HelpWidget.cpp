#include "misc/HelpWidget.h"
#include "ui_HelpWidget.h"

#include "config/ConfigDir.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QSettings>
#include <QUrl>

namespace {
const char kHelpIndex[] = "/help/index.html";

// "了解更多" leads to the web address set in appConfig.ini (group "help", key
// "url"; http or https only), or else to the index of the local help folder.
QString LearnMoreTarget()
{
    const QSettings settings(ConfigFilePath(QStringLiteral("appConfig.ini")), QSettings::IniFormat);
    const QUrl url(settings.value(QStringLiteral("help/url")).toString().trimmed(), QUrl::StrictMode);
    if (url.isValid() && !url.host().isEmpty()
        && (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http")))
        return QString::fromLatin1(url.toEncoded());
    return QLatin1String(kHelpIndex);
}

QString LinkText(const QString &href, const QString &text)
{
    return QStringLiteral("<a style='color: blue; text-decoration: none' href = %1>%2</a>")
            .arg(href, text);
}
}

HelpWidget::HelpWidget(QWidget *parent)
    : FramelessDialog(parent)
    , ui(new Ui::HelpWidget)
{
    ui->setupUi(this);

    InitFrame(ui->wgBack, ui->wgTitle, Qt::ApplicationModal);

    // "1.0.9.0" is shown as "V1.0.9"; a version without a dot is shown whole.
    QString version = QCoreApplication::applicationVersion();
    const int lastDot = version.lastIndexOf(QLatin1Char('.'));
    if (lastDot >= 0)
        version.truncate(lastDot);
    ui->lbVersion->setText(QStringLiteral("V%1").arg(version));

    connect(ui->pbClose, &QPushButton::clicked, this, &HelpWidget::SlotCloseWindow);

    ShowFilesFolder();
    WrapLinks();

    connect(ui->lbManual, &QLabel::linkActivated, this, &HelpWidget::SlotLinkActivated);
    connect(ui->lbCplusSdk, &QLabel::linkActivated, this, &HelpWidget::SlotLinkActivated);
    connect(ui->lbLabviewSdk, &QLabel::linkActivated, this, &HelpWidget::SlotLinkActivated);
    connect(ui->lbPythonSdk, &QLabel::linkActivated, this, &HelpWidget::SlotLinkActivated);
    // The address is read again on the click: an href without quotes ends at
    // the first '=' of a query.
    connect(ui->lbLearnMore, &QLabel::linkActivated, this, [this]() {
        const QString target = LearnMoreTarget();
        if (target.startsWith(QLatin1Char('/')))
            SlotLinkActivated(target);
        else
            QDesktopServices::openUrl(QUrl(target, QUrl::StrictMode));
    });
    connect(ui->lbFiles, &QLabel::linkActivated, this,
            []() { QDesktopServices::openUrl(QUrl::fromLocalFile(ConfigDir())); });
}

HelpWidget::~HelpWidget()
{
    delete ui;
}

void HelpWidget::SlotCloseWindow()
{
    close();
}

void HelpWidget::SlotLinkActivated(const QString &strUrl)
{
    const QString path = QCoreApplication::applicationDirPath() + strUrl;
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

// The folder of the files the program writes, as a link that opens it; a
// long path is shortened in the middle to the label's width and shown whole
// as its tool tip. The path is no translatable text: it stays on a language change.
void HelpWidget::ShowFilesFolder()
{
    ensurePolished(); // the style sheet's font, which the width is measured in
    const QString dir = QDir::toNativeSeparators(ConfigDir());
    const QString shown = ui->lbFiles->fontMetrics().elidedText(dir, Qt::ElideMiddle, ui->lbFiles->width());
    ui->lbFiles->setText(LinkText(QStringLiteral("files"), shown.toHtmlEscaped()));
    ui->lbFiles->setToolTip(dir);
}

// Wraps the current (translated) texts of the five link labels in their links.
// The manual is the one of the interface's language: its file name is
// translated with the texts.
void HelpWidget::WrapLinks()
{
    ui->lbLearnMore->setText(LinkText(LearnMoreTarget(), ui->lbLearnMore->text()));
    ui->lbManual->setText(LinkText(QStringLiteral("/help/")
                                           + tr("KESTA-ORV电动促动控制器用户手册.pdf", "file name of the user manual"),
                                   ui->lbManual->text()));
    ui->lbCplusSdk->setText(
            LinkText(QStringLiteral("/help/Nuvik_C++C#SDK"), ui->lbCplusSdk->text()));
    ui->lbLabviewSdk->setText(
            LinkText(QStringLiteral("/help/Nuvik_LabviewSDK"), ui->lbLabviewSdk->text()));
    ui->lbPythonSdk->setText(
            LinkText(QStringLiteral("/help/Nuvik_PythonSDK"), ui->lbPythonSdk->text()));
}

void HelpWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        WrapLinks();
    }
    FramelessDialog::changeEvent(event);
}

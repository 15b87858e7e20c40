#include "misc/HelpWidget.h"
#include "ui_HelpWidget.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QUrl>

namespace {
const char kWebSite[] = "https://www.nuvik.com";

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

    ui->lbLearnMore->setOpenExternalLinks(true);
    WrapLinks();

    connect(ui->lbManual, &QLabel::linkActivated, this, &HelpWidget::SlotLinkActivated);
    connect(ui->lbCplusSdk, &QLabel::linkActivated, this, &HelpWidget::SlotLinkActivated);
    connect(ui->lbLabviewSdk, &QLabel::linkActivated, this, &HelpWidget::SlotLinkActivated);
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

// Wraps the current (translated) texts of the four link labels in their links.
void HelpWidget::WrapLinks()
{
    ui->lbLearnMore->setText(LinkText(QLatin1String(kWebSite), ui->lbLearnMore->text()));
    ui->lbManual->setText(
            LinkText(QStringLiteral("/help/KESTA-ORV电动促动控制器用户手册.pdf"), ui->lbManual->text()));
    ui->lbCplusSdk->setText(
            LinkText(QStringLiteral("/help/Nuvik_C++C#SDK"), ui->lbCplusSdk->text()));
    ui->lbLabviewSdk->setText(
            LinkText(QStringLiteral("/help/Nuvik_LabviewSDK"), ui->lbLabviewSdk->text()));
}

void HelpWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        WrapLinks();
    }
    FramelessDialog::changeEvent(event);
}

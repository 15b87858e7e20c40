#include "misc/OptionWidget.h"
#include "ui_OptionWidget.h"

#include "config/ConfigDir.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>
#include <QStyle>

namespace {
QString ConfigPath()
{
    return ConfigFilePath(QStringLiteral("appConfig.ini"));
}
}

OptionWidget::OptionWidget(QWidget *parent)
    : FramelessDialog(parent)
    , ui(new Ui::OptionWidget)
{
    ui->setupUi(this);

    InitFrame(ui->wgBack, ui->wgTitle, Qt::ApplicationModal);

    connect(ui->rbCn, &QRadioButton::toggled, this, &OptionWidget::SlotRbCnToggled);
    connect(ui->pbClose, &QPushButton::clicked, this, &OptionWidget::SlotCloseWindow);
    // Only the operator's click is stored, not the switch of -remote.
    connect(ui->cbRemote, &QCheckBox::clicked, this, [this](bool on) {
        QSettings(ConfigPath(), QSettings::IniFormat).setValue(QStringLiteral("remote/enabled"), on);
        emit SigRemoteSwitched(on);
    });
    m_remoteStatus.port = RemotePort();

    {
        QSettings settings(ConfigPath(), QSettings::IniFormat);
        m_nLanguageType = settings.value(QStringLiteral("language/type"), 0).toInt();
    }
    ApplyLanguage();

    // Checking rbEn unchecks rbCn, which applies English again and stores it.
    // Unknown values leave the form's choice (Chinese) and the file alone.
    if (m_nLanguageType == 0)
        ui->rbCn->setChecked(true);
    else if (m_nLanguageType == 1)
        ui->rbEn->setChecked(true);
    ShowRemoteStatus(m_remoteStatus);
}

OptionWidget::~OptionWidget()
{
    delete ui;
}

bool OptionWidget::RemoteEnabled() const
{
    return QSettings(ConfigPath(), QSettings::IniFormat).value(QStringLiteral("remote/enabled"), false).toBool();
}

quint16 OptionWidget::RemotePort() const
{
    bool ok = false;
    const int port = QSettings(ConfigPath(), QSettings::IniFormat).value(QStringLiteral("remote/port")).toInt(&ok);
    return ok && port > 0 && port <= 65535 ? quint16(port) : RemoteServer::kDefaultPort;
}

QString OptionWidget::RemoteTokenPath() const
{
    return QFileInfo(ConfigPath()).absolutePath() + QStringLiteral("/remote.token");
}

void OptionWidget::SetRemoteSwitch(bool on)
{
    ui->cbRemote->setChecked(on);
}

void OptionWidget::ShowRemoteStatus(const RemoteStatus &status)
{
    m_remoteStatus = status;
    QString text;
    switch (status.state) {
    case RemoteStatus::Off:
        text = tr("端口 %1 · 未开启").arg(status.port);
        break;
    case RemoteStatus::Listening:
        text = tr("端口 %1 · 已连接的客户端：%2").arg(status.port).arg(status.clients);
        break;
    case RemoteStatus::PortTaken:
        text = tr("端口 %1 已被其他程序占用").arg(status.port);
        break;
    case RemoteStatus::ListenFailed:
        text = tr("无法在端口 %1 上监听：%2").arg(status.port).arg(status.detail);
        break;
    case RemoteStatus::TokenFailed:
        text = tr("无法写入令牌文件 %1").arg(status.detail);
        break;
    }
    ui->lbRemoteState->setText(text);
    const bool problem = status.state != RemoteStatus::Off && status.state != RemoteStatus::Listening;
    if (ui->lbRemoteState->property("problem").toBool() != problem) {
        ui->lbRemoteState->setProperty("problem", problem);
        ui->lbRemoteState->style()->unpolish(ui->lbRemoteState);
        ui->lbRemoteState->style()->polish(ui->lbRemoteState);
    }
}

void OptionWidget::SlotCloseWindow()
{
    close();
}

void OptionWidget::SlotRbCnToggled(bool checked)
{
    m_nLanguageType = checked ? 0 : 1;
    ApplyLanguage();

    QSettings settings(ConfigPath(), QSettings::IniFormat);
    settings.setValue(QStringLiteral("language/type"), m_nLanguageType);
}

// Installing or removing the translator sends every window a language-change
// event; this window re-labels itself here.
void OptionWidget::ApplyLanguage()
{
    if (m_nLanguageType == 1) {
        if (!m_translator.load(QCoreApplication::applicationDirPath() + QStringLiteral("/en_US.qm")))
            return;
        QCoreApplication::removeTranslator(&m_translator);
        QCoreApplication::installTranslator(&m_translator);
    } else if (m_nLanguageType == 0) {
        QCoreApplication::removeTranslator(&m_translator);
    } else {
        return;
    }
    ui->retranslateUi(this);
    ShowRemoteStatus(m_remoteStatus);
}

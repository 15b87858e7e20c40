#include "misc/OptionWidget.h"
#include "ui_OptionWidget.h"

#include "config/ConfigDir.h"

#include <QCoreApplication>
#include <QSettings>

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
}

OptionWidget::~OptionWidget()
{
    delete ui;
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
        ui->retranslateUi(this);
    } else if (m_nLanguageType == 0) {
        QCoreApplication::removeTranslator(&m_translator);
        ui->retranslateUi(this);
    }
}

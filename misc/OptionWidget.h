#ifndef OPTIONWIDGET_H
#define OPTIONWIDGET_H

#include <QTranslator>
#include "app/FramelessDialog.h"
#include "remote/RemoteServer.h"

namespace Ui {
class OptionWidget;
}

// Options window: the interface language (0 Chinese, 1 English), stored in
// appConfig.ini (in ConfigDir) and applied at once, without restart; and the
// switch of the script interface (group "remote", key "enabled", off by
// default) with its port and clients.
class OptionWidget : public FramelessDialog
{
    Q_OBJECT

public:
    explicit OptionWidget(QWidget *parent = nullptr);
    ~OptionWidget() override;

    // The stored switch of the script interface.
    bool RemoteEnabled() const;
    // appConfig.ini group "remote", key "port"; 17600 when missing or not a port.
    quint16 RemotePort() const;
    // remote.token, next to appConfig.ini.
    QString RemoteTokenPath() const;
    // Shows the switch without storing it (-remote switches it on for one run).
    void SetRemoteSwitch(bool on);

signals:
    // The operator switched the script interface; the choice is stored.
    void SigRemoteSwitched(bool on);

public slots:
    void SlotCloseWindow();
    void SlotRbCnToggled(bool checked);
    void ShowRemoteStatus(const RemoteStatus &status);

private:
    void ApplyLanguage();

    Ui::OptionWidget *ui;
    QTranslator m_translator;
    int m_nLanguageType = 0;
    RemoteStatus m_remoteStatus;
};

#endif

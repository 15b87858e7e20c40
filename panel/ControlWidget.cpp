#include "panel/ControlWidget.h"
#include "ui_ControlWidget.h"

#include "chart/DeviceTrace.h"
#include "config/DevConfig.h"
#include "panel/BtnParamWidget.h"
#include "panel/CruiseCtrlWidget.h"
#include "panel/DriveParamWidget.h"
#include "panel/JogParamWidget.h"
#include "panel/MoveParamWidget.h"
#include "panel/TriParamWidget.h"

#include <QApplication>
#include <QCursor>
#include <QDateTime>
#include <QEvent>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QThread>

#include <utility>

namespace {

// Offset of each popup's left edge from its toggle button's left edge.
constexpr int kMovePopupDx = -234;
constexpr int kJogPopupDx = -216;
constexpr int kDrivePopupDx = -221;
constexpr int kCruisePopupDx = -189;

constexpr int kLockoutMs = 100;

// The position shown changes at most this often while the slide moves.
constexpr int kPosShowMs = 100;

// Change bits of the speed and acceleration shared by move and drive.
constexpr int kMoveSpeedAccBits = 0x02 | 0x04;
constexpr int kDriveSpeedAccBits = 0x04 | 0x08;

const char kDoingGray[] = ".QLabel#lbDoingLight{border-image: url(:/image/grayPot.png);}";
const char kDoingGreen[] = ".QLabel#lbDoingLight{border-image: url(:/image/greenPot.png);}";
const char kOriginGray[] = ".QLabel#lbOriginLight{border-image: url(:/image/grayPot.png);}";
const char kOriginGreen[] = ".QLabel#lbOriginLight{border-image: url(:/image/greenPot.png);}";

} // namespace

ControlWidget::ControlWidget(QWidget *parent, DevConfig *store)
    : QWidget(parent)
    , ui(new Ui::ControlWidget)
    , m_store(store)
    , m_model(GetActuatorModel(0))
{
    ui->setupUi(this);

    ui->textBrowser->setFontPointSize(11);

    m_worker = new SerialComDev;
    m_thread = new QThread;
    m_worker->moveToThread(m_thread);
    connect(m_thread, &QThread::started, m_worker, &SerialComDev::Init);
    connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_worker, &QObject::destroyed, m_thread, &QObject::deleteLater);
    m_thread->start();

    // The four popups and the two dialogs: children of this panel, hidden.
    m_moveParam = new MoveParamWidget(this);
    m_moveParam->hide();
    m_jogParam = new JogParamWidget(this);
    m_jogParam->hide();
    m_driveParam = new DriveParamWidget(this);
    m_driveParam->hide();
    m_cruiseCtrl = new CruiseCtrlWidget(this);
    m_cruiseCtrl->hide();
    m_btnParam = new BtnParamWidget(this);
    m_btnParam->hide();
    m_triParam = new TriParamWidget(this);
    m_triParam->hide();

    connect(ui->pbMoveParam, &QPushButton::clicked, this, &ControlWidget::ShowMoveParam);
    connect(ui->pbMove, &QPushButton::clicked, m_worker, &SerialComDev::Move);
    connect(ui->pbMove, &QPushButton::clicked, this, &ControlWidget::DisableBtns);
    connect(ui->pbJogParam, &QPushButton::clicked, this, &ControlWidget::ShowJogParam);
    connect(ui->pbJogRight, &QPushButton::clicked, m_worker, &SerialComDev::JogRight);
    connect(ui->pbJogLeft, &QPushButton::clicked, m_worker, &SerialComDev::JogLeft);
    connect(ui->pbJogRight, &QPushButton::clicked, this, &ControlWidget::DisableBtns);
    connect(ui->pbJogLeft, &QPushButton::clicked, this, &ControlWidget::DisableBtns);
    connect(ui->pbDriveParam, &QPushButton::clicked, this, &ControlWidget::ShowDriveParam);
    connect(ui->pbDriveRight, &QPushButton::clicked, m_worker, &SerialComDev::DriveRight);
    connect(ui->pbDriveLeft, &QPushButton::clicked, m_worker, &SerialComDev::DriveLeft);
    connect(ui->pbDriveRight, &QPushButton::clicked, this, &ControlWidget::DisableBtns);
    connect(ui->pbDriveLeft, &QPushButton::clicked, this, &ControlWidget::DisableBtns);
    connect(ui->pbSetting, &QPushButton::clicked, this, &ControlWidget::ShowSetting);

    connect(ui->pbHome, &QPushButton::clicked, m_worker, &SerialComDev::Home);
    connect(ui->pbStop, &QPushButton::clicked, m_worker, &SerialComDev::Stop);
    connect(ui->pbEnable, &QPushButton::clicked, m_worker, &SerialComDev::Enable);
    // The button shows the device's state: the status report that follows an
    // accepted click checks it, a refused or ignored click leaves it as it was.
    connect(ui->pbEnable, &QPushButton::clicked, this, [this](bool checked) { ui->pbEnable->setChecked(!checked); });
    connect(ui->pbRemove, &QPushButton::clicked, this, &ControlWidget::SigClosed);
    connect(this, &ControlWidget::SigInitParam, m_worker, &SerialComDev::InitParam);
    connect(this, &ControlWidget::SigUpdateParam, m_worker, &SerialComDev::ParamChanged);
    connect(this, &ControlWidget::SigSetActModel, m_worker, &SerialComDev::SetManualModel);
    connect(m_worker, &SerialComDev::SigOutputMsg, this, &ControlWidget::OutputOptInfo);
    connect(m_worker, &SerialComDev::SigPosChanged, this, &ControlWidget::UpdatePos);
    connect(m_worker, &SerialComDev::SigStatusChanged, this, &ControlWidget::UpdateStatus);
    connect(m_worker, &SerialComDev::SigDisconnect, this, &ControlWidget::SigDisconnect);
    connect(m_worker, &SerialComDev::SigParamInited, this, &ControlWidget::ParamInited);
    connect(m_worker, &SerialComDev::SigParamRefused, this, &ControlWidget::ParamRefused);
    connect(m_worker, &SerialComDev::SigActModelSet, this, &ControlWidget::ActModelSet);

    // Chart, recording and log export.
    m_trace = new DeviceTrace(this, m_worker, [this]() { return GetTravel(); }, ui->pbChart, ui->textBrowser);
    connect(m_trace, &DeviceTrace::SigWarning, this,
            [this](const QString &text) { emit SigWarning(text, nullptr); });

    m_moveParam->installEventFilter(this);
    m_jogParam->installEventFilter(this);
    m_driveParam->installEventFilter(this);
    m_cruiseCtrl->installEventFilter(this);

    connect(m_moveParam, &MoveParamWidget::SigParamConfirmed, this, &ControlWidget::UpdateMoveParam);
    connect(m_jogParam, &JogParamWidget::SigParamConfirmed, this, &ControlWidget::UpdateJogParam);
    connect(m_driveParam, &DriveParamWidget::SigParamConfirmed, this, &ControlWidget::UpdateDriveParam);
    connect(m_cruiseCtrl, &CruiseCtrlWidget::SigParamConfirmed, this, &ControlWidget::UpdateCruiseParam);
    connect(m_cruiseCtrl, &CruiseCtrlWidget::SigShowBtnParam, this, &ControlWidget::ShowBtnParam);
    connect(m_cruiseCtrl, &CruiseCtrlWidget::SigShowTriParam, this, &ControlWidget::ShowTriParam);
    connect(m_btnParam, &BtnParamWidget::SigParamConfirmed, this, &ControlWidget::UpdateBtnParam);
    connect(m_triParam, &TriParamWidget::SigParamConfirmed, this,
            [this](const TriParam &io1, const TriParam &io2) {
                const TriParam both[2] = {io1, io2};
                UpdateTriParam(both);
            });
    connect(m_triParam, &TriParamWidget::SigManualModel, this, &ControlWidget::ApplyManualModel);
    // A refused value is told while its popup stays open and active.
    const auto warnFor = [this](QWidget *popup) {
        return [this, popup](const QString &text) {
            const QPointer<ControlWidget> alive(this);
            m_warningPopup = popup;
            emit SigWarning(text, popup);
            // The panel may be gone after the message box's event loop.
            if (alive)
                m_warningPopup = nullptr;
        };
    };
    connect(m_moveParam, &MoveParamWidget::SigRangeWarning, this, warnFor(m_moveParam));
    connect(m_jogParam, &JogParamWidget::SigRangeWarning, this, warnFor(m_jogParam));
    connect(m_driveParam, &DriveParamWidget::SigRangeWarning, this, warnFor(m_driveParam));
    connect(m_cruiseCtrl, &CruiseCtrlWidget::SigRangeWarning, this, warnFor(m_cruiseCtrl));
    ApplyTravel();
    ui->pbMoveParam->installEventFilter(this);
    ui->pbJogParam->installEventFilter(this);
    ui->pbDriveParam->installEventFilter(this);
    ui->pbSetting->installEventFilter(this);

    m_lockTimer.setParent(this);
    m_lockTimer.setSingleShot(true);
    m_lockTimer.setInterval(kLockoutMs);
    connect(&m_lockTimer, &QTimer::timeout, this, &ControlWidget::EnableBtns);

    m_posTimer.setSingleShot(true);
    m_posTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_posTimer, &QTimer::timeout, this, &ControlWidget::ShowPos);
}

ControlWidget::~ControlWidget()
{
    // The panel goes at once; commands still queued for the worker are
    // dropped, nobody watches the device any more. In the background the
    // worker finishes the call it may be inside, closes the device on its own
    // thread (holding it until then) and ends that thread; the worker and the
    // thread delete each other afterwards.
    m_worker->StopWork();
    QMetaObject::invokeMethod(m_worker, "CloseDevice", Qt::QueuedConnection);
    delete ui;
}

void ControlWidget::SetDevInfo(const DevInfo &info)
{
    m_devName = info.serial;
    m_devHandle = info.handle;
    m_worker->SetDevHandle(info.handle);
    m_trace->SetDevName(m_devName);
    ui->lbDevInfo->setText(m_devName);
}

void ControlWidget::SetInitParams(const MoveParam &move, const JogParam &jog,
                                  const DriveParam &drive, const CruiseParam &cruise)
{
    m_moveParam->SetParam(move);
    m_jogParam->SetParam(jog);
    m_driveParam->SetParam(drive);
    m_cruiseCtrl->SetParam(cruise);
    m_worker->SetAllParams(move, jog, drive, cruise);
    emit SigInitParam();
}

int ControlWidget::GetDevHandle() const
{
    return m_devHandle;
}

QString ControlWidget::GetDevSerial() const
{
    return m_devName;
}

int ControlWidget::GetTravel() const
{
    return m_model.travelMm;
}

ActuatorModelInfo ControlWidget::GetModel() const
{
    return m_model;
}

SerialComDev *ControlWidget::GetWorker() const
{
    return m_worker;
}

void ControlWidget::UpdateMoveParam(int nChanged, const MoveParam &param)
{
    if (nChanged != 0) {
        m_worker->SetMoveParam(param);
        if (nChanged & kMoveSpeedAccBits) {
            m_driveParam->SetSpeedAcc(param.Speed, param.Acc);
        }
        if (DevConfig *config = m_store)
            config->SaveMoveParam(m_devName, param);
    }
    emit SigUpdateParam(OpSetMoveParam, nChanged);
}

void ControlWidget::UpdateJogParam(int nChanged, const JogParam &param)
{
    if (nChanged != 0) {
        m_worker->SetJogParam(param);
        if (DevConfig *config = m_store)
            config->SaveJogParam(m_devName, param);
    }
    emit SigUpdateParam(OpSetJogParam, nChanged);
}

void ControlWidget::UpdateDriveParam(int nChanged, const DriveParam &param)
{
    if (nChanged != 0) {
        m_worker->SetDriveParam(param);
        if (nChanged & kDriveSpeedAccBits) {
            m_moveParam->SetSpeedAcc(param.Speed, param.Acc);
        }
        if (DevConfig *config = m_store)
            config->SaveDriveParam(m_devName, param);
    }
    emit SigUpdateParam(OpSetDriveParam, nChanged);
}

void ControlWidget::UpdateCruiseParam(int nChanged, const CruiseParam &param)
{
    DisableBtns();
    if (nChanged != 0) {
        m_worker->SetCruiseParam(param);
        if (DevConfig *config = m_store)
            config->SaveCruiseParam(m_devName, param);
    }
    emit SigUpdateParam(OpCruise, nChanged);
}

void ControlWidget::UpdateBtnParam(int nChanged, const BtnParam &param)
{
    if (nChanged != 0)
        m_worker->SetBtnParam(param);
    emit SigUpdateParam(OpSetBtnParam, nChanged);
}

void ControlWidget::UpdateTriParam(const TriParam param[2])
{
    m_worker->SetTriParam(param[0], param[1]);
    emit SigUpdateParam(OpSetTriParam, 0);
}

// The model is the panel's once the device has taken it (ActModelSet).
void ControlWidget::ApplyManualModel(int nModel)
{
    emit SigSetActModel(nModel);
}

void ControlWidget::ActModelSet(int nModel)
{
    m_model = GetActuatorModelOf(nModel);
    ApplyTravel();
    m_triParam->ShowModel(m_model);
}

void ControlWidget::ApplyTravel()
{
    m_moveParam->SetTravel(m_model.travelMm);
    m_jogParam->SetTravel(m_model.travelMm);
    m_driveParam->SetTravel(m_model.travelMm);
    m_cruiseCtrl->SetTravel(m_model.travelMm);
    m_btnParam->SetTravel(m_model.travelMm);
}

void ControlWidget::SetCtrlBtnsEnabled(bool enabled)
{
    ui->pbMove->setEnabled(enabled);
    ui->pbJogLeft->setEnabled(enabled);
    ui->pbJogRight->setEnabled(enabled);
    ui->pbDriveLeft->setEnabled(enabled);
    ui->pbDriveRight->setEnabled(enabled);
    ui->pbHome->setEnabled(enabled);
    m_cruiseCtrl->SetStartEnabled(enabled);
}

void ControlWidget::ShowBtnParam()
{
    CentreDialog(m_btnParam);
}

void ControlWidget::ShowTriParam()
{
    CentreDialog(m_triParam);
}

void ControlWidget::OutputOptInfo(QString strMsg, bool bWarining)
{
    if (bWarining) {
        ui->textBrowser->setTextColor(Qt::red);
        ui->textBrowser->append(strMsg);
        ui->textBrowser->setTextColor(Qt::black);
    } else {
        ui->textBrowser->append(strMsg);
    }
    TrimLog();
}

// A log without bound would grow by some 3 MB per 1,000 entries, and past
// about 8.4 million pixels of height (some 60,000 entries) the browser paints
// no text at all. Old lines go a batch at a time because every removal lays
// the whole log out again.
void ControlWidget::TrimLog()
{
    QTextDocument *log = ui->textBrowser->document();
    const int excess = log->blockCount() - kLogKeptLines;
    if (excess < kLogTrimLines)
        return;
    // The removal resets the browser's current format to that of the text
    // before its cursor (a red warning, say); the next line keeps its own.
    const QTextCharFormat format = ui->textBrowser->currentCharFormat();
    QTextCursor cursor(log);
    cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, excess);
    cursor.removeSelectedText();
    ui->textBrowser->setCurrentCharFormat(format);
    m_trace->LogLinesDropped(excess);
}

// A position that follows one shown less than kPosShowMs ago waits for the
// next whole multiple of kPosShowMs of the clock, the same beat in every
// panel, so that the window repaints the positions of all its panels at once
// (each repaint on X waits for the server).
void ControlWidget::UpdatePos(double dCurPos)
{
    m_pos = dCurPos;
    if (m_posTimer.isActive())
        return;
    if (m_posShown.isValid() && !m_posShown.hasExpired(kPosShowMs))
        m_posTimer.start(int(kPosShowMs - QDateTime::currentMSecsSinceEpoch() % kPosShowMs));
    else
        ShowPos();
}

void ControlWidget::ShowPos()
{
    ui->lbCurrentPos->setText(QStringLiteral("%1mm").arg(m_pos, 0, 'f', 6));
    m_posShown.start();
}

void ControlWidget::UpdateStatus(bool bIsMotorStoped, bool bIsMotorEnable, bool bIsOrigin,
                                 bool bIsCtrlDisabled, bool isMotorConncted)
{
    Q_UNUSED(isMotorConncted)

    if (bIsMotorStoped != m_lastStopped) {
        ui->lbDoingLight->setStyleSheet(bIsMotorStoped ? kDoingGray : kDoingGreen);
        m_lastStopped = bIsMotorStoped;
    }
    if (!m_enableKnown || bIsMotorEnable != m_lastEnabled) {
        ui->pbEnable->setChecked(bIsMotorEnable);
        m_lastEnabled = bIsMotorEnable;
        m_enableKnown = true;
    }
    if (bIsOrigin != m_lastOrigin) {
        ui->lbOriginLight->setStyleSheet(bIsOrigin ? kOriginGreen : kOriginGray);
        m_lastOrigin = bIsOrigin;
    }
    if (bIsCtrlDisabled != m_lastCtrlDisabled) {
        if (bIsCtrlDisabled) {
            SetCtrlBtnsEnabled(false);
            // The timer must not unlock buttons the device keeps locked.
            m_lockTimer.stop();
        } else if (!m_lockTimer.isActive()) {
            SetCtrlBtnsEnabled(true);
        }
        m_lastCtrlDisabled = bIsCtrlDisabled;
    }
}

void ControlWidget::ParamInited(int nModel)
{
    m_model = GetActuatorModelOf(nModel);
    ApplyTravel();
    unsigned int known = 0;
    const BtnParam btn = m_worker->CopyBtnParam(&known);
    m_btnParam->SetParam(btn, known);
    m_triParam->ShowDevInfo(m_model, m_worker->GetActuatorSerial());
}

// The device refused a push: the popups and the store go back to what the
// device holds, as the worker's copy did.
void ControlWidget::ParamRefused(int nType)
{
    DevConfig *config = m_store;
    switch (nType) {
    case OpSetMoveParam:
    case OpSetDriveParam: {
        const MoveParam move = m_worker->CopyMoveParam();
        const DriveParam drive = m_worker->CopyDriveParam();
        m_moveParam->SetParam(move);
        m_driveParam->SetParam(drive);
        if (config) {
            config->SaveMoveParam(m_devName, move);
            config->SaveDriveParam(m_devName, drive);
        }
        break;
    }
    case OpSetJogParam: {
        const JogParam jog = m_worker->CopyJogParam();
        m_jogParam->SetParam(jog);
        if (config)
            config->SaveJogParam(m_devName, jog);
        break;
    }
    case OpCruise: {
        const CruiseParam cruise = m_worker->CopyCruiseParam();
        m_cruiseCtrl->SetParam(cruise);
        if (config)
            config->SaveCruiseParam(m_devName, cruise);
        break;
    }
    case OpSetBtnParam: {
        unsigned int known = 0;
        const BtnParam btn = m_worker->CopyBtnParam(&known);
        m_btnParam->ParamRefused(btn, known);
        break;
    }
    default:
        break;
    }
}

void ControlWidget::ShowSetting(bool bChecked)
{
    PlacePopup(m_cruiseCtrl, ui->pbSetting, kCruisePopupDx, bChecked);
}

void ControlWidget::ShowMoveParam(bool bChecked)
{
    PlacePopup(m_moveParam, ui->pbMoveParam, kMovePopupDx, bChecked);
}

void ControlWidget::ShowJogParam(bool bChecked)
{
    PlacePopup(m_jogParam, ui->pbJogParam, kJogPopupDx, bChecked);
}

void ControlWidget::ShowDriveParam(bool bChecked)
{
    PlacePopup(m_driveParam, ui->pbDriveParam, kDrivePopupDx, bChecked);
}

void ControlWidget::DisableBtns()
{
    SetCtrlBtnsEnabled(false);
    m_lockTimer.start();
}

void ControlWidget::EnableBtns()
{
    SetCtrlBtnsEnabled(true);
}

// A popup that loses the active-window state drops its unconfirmed edits
// and closes; losing it to its own range warning leaves it open.
// A click on a toggle that begins while its popup is open closes the popup.
// The press on the toggle may itself take the active state from the popup,
// dismissing it before the release would check the toggle again: a press
// just after a dismissal with the pointer on that toggle counts as well.
bool ControlWidget::eventFilter(QObject *watched, QEvent *event)
{
    // A second press soon after a click comes as a double click only.
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        if (QWidget *popup = PopupOf(watched)) {
            const bool justDismissed = watched == m_dismissedToggle
                && m_dismissedFor.elapsed() < QApplication::doubleClickInterval();
            m_closingToggle = popup->isVisible() || justDismissed ? static_cast<QPushButton *>(watched)
                                                                  : nullptr;
            m_dismissedToggle = nullptr;
        }
    }
    if (event->type() == QEvent::WindowDeactivate && watched != m_warningPopup) {
        if (watched == m_moveParam) {
            m_moveParam->RestoreParam();
            DismissPopup(m_moveParam, ui->pbMoveParam);
            return true;
        }
        if (watched == m_jogParam) {
            m_jogParam->RestoreParam();
            DismissPopup(m_jogParam, ui->pbJogParam);
            return true;
        }
        if (watched == m_driveParam) {
            m_driveParam->RestoreParam();
            DismissPopup(m_driveParam, ui->pbDriveParam);
            return true;
        }
        if (watched == m_cruiseCtrl) {
            m_cruiseCtrl->RestoreParam();
            DismissPopup(m_cruiseCtrl, ui->pbSetting);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ControlWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QWidget::changeEvent(event);
}

void ControlWidget::DismissPopup(QWidget *popup, QPushButton *toggle)
{
    popup->repaint();
    popup->close();
    toggle->setChecked(false);
    if (toggle->rect().contains(toggle->mapFromGlobal(QCursor::pos()))) {
        m_dismissedToggle = toggle;
        m_dismissedFor.start();
    }
}

QWidget *ControlWidget::PopupOf(QObject *toggle) const
{
    if (toggle == ui->pbMoveParam)
        return m_moveParam;
    if (toggle == ui->pbJogParam)
        return m_jogParam;
    if (toggle == ui->pbDriveParam)
        return m_driveParam;
    if (toggle == ui->pbSetting)
        return m_cruiseCtrl;
    return nullptr;
}

// Drops the popup down below the button, |dx| px left of it, or hides it.
void ControlWidget::PlacePopup(QWidget *popup, QPushButton *button, int dx, bool bShow)
{
    if (std::exchange(m_closingToggle, nullptr) == button && bShow) {
        button->setChecked(false);
        bShow = false;
    }
    if (bShow)
        popup->move(button->mapToGlobal(QPoint(dx, button->height())));
    popup->setVisible(bShow);
}

void ControlWidget::CentreDialog(QWidget *dialog)
{
    dialog->move(mapToGlobal(QPoint((width() - dialog->width()) / 2,
                                    (height() - dialog->height()) / 2)));
    dialog->show();
}

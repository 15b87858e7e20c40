#include "app/FramelessDialog.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QEvent>
#include <QGraphicsDropShadowEffect>
#include <QKeySequence>
#include <QListView>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QStyleOption>
#include <QStyledItemDelegate>

#ifdef ACTUATOR_X11
#include <QX11Info>
#endif

bool TranslucentWindowsWork()
{
#ifdef ACTUATOR_X11
    if (QX11Info::isPlatformX11())
        return QX11Info::isCompositingManagerRunning();
#endif
    return true;
}

QColor OpaqueFrameColor()
{
    return QColor(160, 160, 164);
}

// A window from the start: made one only after its form is built, the whole
// form would be re-polished with its style sheet, many milliseconds for the
// larger dialogs of every panel.
FramelessDialog::FramelessDialog(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
}

QString FramelessDialog::DialogStyleSheet()
{
    return QStringLiteral(R"(QWidget#wgBack{
    background-color: rgb(255, 255, 255);
    border: 1px solid #AAAAAA;
    border-radius: 10px;
}
QWidget#wgTitle{
    background-color: rgb(108, 106, 106);
    border-top-left-radius: 9px;
    border-top-right-radius: 9px;
}
QWidget#wgTitle QLabel{
    color: #FFFFFF;
    font-size: 16px;
}
QPushButton#pbClose{
    background-color: rgb(108, 106, 106);
    border: none;
    border-top-right-radius: 9px;
    background-image: url(:/image/close.png);
    background-position: center;
    background-repeat: no-repeat;
}
QPushButton#pbClose:hover{
    background-color: rgb(180, 0, 0);
}
QWidget#wgContent QLabel{
    color: black;
    font-size: 16px;
}
QWidget#wgContent QPushButton{
    background-color: rgb(222, 222, 222);
    border: none;
    border-radius: 6px;
    color: black;
    font-size: 16px;
}
QWidget#wgContent QPushButton:pressed{
    background-color: rgb(0, 75, 177);
}
QWidget#wgContent QPushButton:disabled{
    background-color: rgb(105, 105, 105);
}
QSpinBox, QDoubleSpinBox, QComboBox{
    background-color: rgb(255, 255, 255);
    color: black;
    font-size: 15px;
    border: 1px solid rgb(225, 225, 225);
    border-radius: 6px;
    padding-left: 4px;
}
QSpinBox::up-button, QDoubleSpinBox::up-button{
    subcontrol-origin: border;
    subcontrol-position: top right;
    width: 14px;
    border: none;
    image: url(:/image/upWhiteBack.png);
}
QSpinBox::up-button:pressed, QDoubleSpinBox::up-button:pressed{
    image: url(:/image/upPressedWhiteBack.png);
}
QSpinBox::down-button, QDoubleSpinBox::down-button{
    subcontrol-origin: border;
    subcontrol-position: bottom right;
    width: 14px;
    border: none;
    image: url(:/image/downWhiteBack.png);
}
QSpinBox::down-button:pressed, QDoubleSpinBox::down-button:pressed{
    image: url(:/image/downPressedWhiteBack.png);
}
QSpinBox::up-arrow, QSpinBox::down-arrow, QDoubleSpinBox::up-arrow, QDoubleSpinBox::down-arrow{
    image: none;
}
QComboBox::drop-down{
    subcontrol-origin: padding;
    subcontrol-position: center right;
    width: 14px;
    border: none;
}
QComboBox::down-arrow{
    width: 14px;
    image: url(:/image/dropDownWhiteBack.png);
}
QComboBox::down-arrow:on{
    image: url(:/image/dropDownOnWhiteBack.png);
}
QComboBox QAbstractItemView{
    background-color: rgb(255, 255, 255);
    color: black;
    border: 1px solid rgb(225, 225, 225);
    border-radius: 6px;
    outline: 0px;
}
QComboBox QAbstractItemView::item{
    min-height: 26px;
}
QComboBox QAbstractItemView::item:selected{
    background-color: rgb(127, 141, 152);
})");
}

namespace {

// Gives the combo boxes below its root their drop-down lists the first time
// the root's window is shown. Every panel makes dialogs with many combo boxes
// that are seldom opened, and making their lists takes long.
class ComboPopupSetup : public QObject
{
public:
    explicit ComboPopupSetup(QWidget *root)
        : QObject(root)
        , m_root(root)
    {
        root->window()->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show) {
            watched->removeEventFilter(this);
            SetUp();
            deleteLater();
        }
        return false;
    }

private:
    void SetUp()
    {
        const auto combos = m_root->findChildren<QComboBox *>();
        for (QComboBox *combo : combos) {
            combo->setView(new QListView(combo));
            combo->setItemDelegate(new QStyledItemDelegate(combo));
            QWidget *popup = combo->view()->window();
            popup->setWindowFlags(Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint);
            popup->setAttribute(Qt::WA_TranslucentBackground, TranslucentWindowsWork());
        }
    }

    QWidget *m_root;
};

} // namespace

void FramelessDialog::InitComboPopups(QWidget *root)
{
    new ComboPopupSetup(root);
}

// The button's own shortcut holds one binding of the standard key (keypad
// Enter on most platforms); the others, the main Enter key among them, get
// shortcuts of their own.
void FramelessDialog::SetEnterShortcut(QAbstractButton *button)
{
    const auto keys = QKeySequence::keyBindings(QKeySequence::InsertParagraphSeparator);
    button->setShortcut(QKeySequence(QKeySequence::InsertParagraphSeparator));
    for (const QKeySequence &key : keys) {
        if (key == button->shortcut())
            continue;
        auto *shortcut = new QShortcut(key, button);
        connect(shortcut, &QShortcut::activated, button, [button] { button->animateClick(); });
    }
}

QRect FramelessDialog::DragZone() const
{
    if (!m_title)
        return QRect();
    return QRect(m_title->mapTo(this, QPoint(0, 0)), m_title->size());
}

void FramelessDialog::InitFrame(QWidget *back, QWidget *title, Qt::WindowModality modality)
{
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setWindowModality(modality);
    m_title = title;
    if (!TranslucentWindowsWork())
        return;
    setAttribute(Qt::WA_TranslucentBackground);

    auto *shadow = new QGraphicsDropShadowEffect(back);
    shadow->setBlurRadius(10);
    shadow->setOffset(0, 0);
    shadow->setColor(Qt::gray);
    back->setGraphicsEffect(shadow);
}

// The title strip sits inside the frame's margins, so its rectangle is mapped
// into this window's coordinates before the press position is tested.
void FramelessDialog::mousePressEvent(QMouseEvent *event)
{
    if (DragZone().contains(event->pos()) && !isFullScreen()) {
        m_bDragging = true;
        m_pressPos = event->pos();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void FramelessDialog::mouseReleaseEvent(QMouseEvent *event)
{
    m_bDragging = false;
    QWidget::mouseReleaseEvent(event);
}

void FramelessDialog::mouseMoveEvent(QMouseEvent *event)
{
    if (m_bDragging) {
        move(pos() + event->pos() - m_pressPos);
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

// Lets a style sheet on the window itself draw its background; an opaque
// window gets a grey frame around its body in place of the shadow.
void FramelessDialog::paintEvent(QPaintEvent *event)
{
    QStyleOption opt;
    opt.initFrom(this);
    QPainter painter(this);
    if (!testAttribute(Qt::WA_TranslucentBackground))
        painter.fillRect(rect(), OpaqueFrameColor());
    style()->drawPrimitive(QStyle::PE_Widget, &opt, &painter, this);
    QWidget::paintEvent(event);
}

#ifndef FRAMELESSDIALOG_H
#define FRAMELESSDIALOG_H

#include <QColor>
#include <QPoint>
#include <QPointer>
#include <QWidget>

class QAbstractButton;

// Whether a frameless window can show what lies behind its transparent
// pixels. Not so on an X11 desktop without a compositing manager, where those
// pixels come out black: there windows draw an opaque frame without a shadow.
bool TranslucentWindowsWork();
// Colour of that opaque frame.
QColor OpaqueFrameColor();

// Base of the small white frameless dialogs: a translucent top-level window
// whose visible frame is a rounded container with a drop shadow (an opaque
// grey frame where translucency does not work), moved by dragging its title
// strip. A subclass builds its form, then calls InitFrame.
class FramelessDialog : public QWidget
{
    Q_OBJECT

public:
    explicit FramelessDialog(QWidget *parent = nullptr);

    // Style sheet of the dialog frame, its title strip (wgTitle, lbTitle,
    // pbClose) and its content: labels, buttons, spin boxes and combo boxes.
    static QString DialogStyleSheet();

    // Rounded, frameless drop-down lists for every combo box below root,
    // made when root's window is first shown.
    static void InitComboPopups(QWidget *root);

    // Enter, on the keypad or the main block, clicks the button while its
    // window is active.
    static void SetEnterShortcut(QAbstractButton *button);

    // The strip that drags the window, in this window's coordinates; empty
    // before InitFrame.
    QRect DragZone() const;

protected:
    // Frameless translucent window with the given modality, a grey shadow
    // around back, and title as the drag strip.
    void InitFrame(QWidget *back, QWidget *title, Qt::WindowModality modality = Qt::WindowModal);

    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QPointer<QWidget> m_title;
    bool m_bDragging = false;
    QPoint m_pressPos;
};

#endif

#ifndef HELPWIDGET_H
#define HELPWIDGET_H

#include "app/FramelessDialog.h"

namespace Ui {
class HelpWidget;
}

// Help window: software version, links to the manual and the three SDK
// folders installed in help/ beside the executable, the folder of the files
// the program writes, and a link to the maker's site.
class HelpWidget : public FramelessDialog
{
    Q_OBJECT

public:
    explicit HelpWidget(QWidget *parent = nullptr);
    ~HelpWidget() override;

public slots:
    void SlotCloseWindow();
    void SlotLinkActivated(const QString &strUrl);

protected:
    void changeEvent(QEvent *event) override;

private:
    void ShowFilesFolder();
    void WrapLinks();

    Ui::HelpWidget *ui;
};

#endif

#ifndef SAVEFILEDIALOG_H
#define SAVEFILEDIALOG_H

#include <QString>

class QWidget;

// Asks for a file to write, starting in dir (the documents folder when
// empty) with the name "<device>_<kind>_<date>_<time>.<suffix>"; the empty
// string when the operator cancels or parent goes meanwhile. dir becomes
// the folder of the file chosen.
QString AskSaveFile(QWidget *parent, const QString &title, const QString &device, const QString &kind,
                    const QString &suffix, const QString &filter, QString *dir);

#endif

#include "chart/SaveFileDialog.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QPointer>
#include <QRegularExpression>
#include <QStandardPaths>

QString AskSaveFile(QWidget *parent, const QString &title, const QString &device, const QString &kind,
                    const QString &suffix, const QString &filter, QString *dir)
{
    QString folder = dir ? *dir : QString();
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    QString name = device.isEmpty() ? QStringLiteral("device") : device;
    name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._-]+")), QStringLiteral("_"));
    if (!kind.isEmpty())
        name += QLatin1Char('_') + kind;
    name += QDateTime::currentDateTime().toString(QStringLiteral("_yyyyMMdd_HHmmss.")) + suffix;

    QPointer<QFileDialog> dialog = new QFileDialog(parent, title, QDir(folder).filePath(name), filter);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(suffix);
    dialog->selectFile(name);
    const int result = dialog->exec();
    if (!dialog)
        return QString();
    const QStringList files = dialog->selectedFiles();
    delete dialog;
    if (result != QDialog::Accepted || files.isEmpty())
        return QString();
    if (dir)
        *dir = QFileInfo(files.first()).absolutePath();
    return files.first();
}

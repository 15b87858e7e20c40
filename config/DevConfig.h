#ifndef DEVCONFIG_H
#define DEVCONFIG_H

#include "config/DevParams.h"

#include <QByteArray>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QObject>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(lcDevConfig)

// Motion parameters of every device, keyed by the device's driver serial,
// kept in devConfig.json. The file is read at construction and rewritten,
// atomically, after each confirmed change and at destruction. Keys the
// program does not use are kept. GUI thread only.
class DevConfig : public QObject
{
    Q_OBJECT

public:
    // Uses devConfig.json in the program's file folder (ConfigDir).
    explicit DevConfig(QObject *parent = nullptr);
    // Uses the given file instead.
    explicit DevConfig(const QString &filePath, QObject *parent = nullptr);
    ~DevConfig() override;

    // Fills the four groups with the stored values of key; absent, mistyped
    // or out-of-range fields keep the defaults.
    void LoadDevParams(const QString &key, MoveParam &moveParam, JogParam &jogParam,
                       DriveParam &driveParam, CruiseParam &cruiseParam) const;

    void SaveMoveParam(const QString &key, const MoveParam &param);
    void SaveJogParam(const QString &key, const JogParam &param);
    // Offset and Enable go under DriveParam, Speed and Acc under MoveParam.
    void SaveDriveParam(const QString &key, const DriveParam &param);
    void SaveCruiseParam(const QString &key, const CruiseParam &param);

    // Writes the file now; false when it could not be written (the previous
    // file is then left as it was).
    bool WriteFile();
    // True when the file exists but could not be read: nothing is written
    // to it during this run, so that no stored parameters are lost.
    bool IsUnreadable() const;

    QString FilePath() const;

private:
    void LoadFile();
    bool WriteBackup();
    void SetGroup(const QString &key, const QString &group, const QJsonObject &fields);

    QString m_filePath;
    QJsonObject m_root;
    // Content of an existing file that could not be used; copied to
    // devConfig.json.bak before the file is first replaced.
    QByteArray m_unusableContent;
    bool m_unreadable = false;
};

#endif

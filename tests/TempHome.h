#pragma once
// A fresh temporary folder per test, removed afterwards, with helpers to write and read files in it.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

class TempHome {
  public:
    TempHome();
    QString Path(const QString& relative = QString()) const;
    void Write(const QString& relative, const QByteArray& bytes) const;
    QByteArray Read(const QString& relative) const;
    bool Exists(const QString& relative) const;

  private:
    QTemporaryDir dir_;
};

// Solid-colour pictures written to a temporary folder, so widget tests know every pixel.
#pragma once

#include <QColor>
#include <QDir>
#include <QPixmap>
#include <QTemporaryDir>

class TestPictures {
 public:
  // Writes a w x h picture of one colour and returns its file name.
  QString solid(const QString& name, int w, int h, const QColor& colour) {
    QPixmap pm(w, h);
    pm.fill(colour);
    const QString path = dir_.filePath(name + QStringLiteral(".png"));
    pm.save(path, "PNG");
    return path;
  }

 private:
  QTemporaryDir dir_;
};

// The about box: the product's title, logo and web address, and where the sample songs come
// from and under which licences they are offered.
#pragma once

#include <QUrl>
#include <QWidget>
#include <functional>

class QLabel;
class QTextBrowser;

namespace tonalix::help {

class frmAbout : public QWidget {
  Q_OBJECT
 public:
  static QUrl WebAddress();

  explicit frmAbout(QWidget* parent = nullptr);

  // Opens an address in the desktop's browser; tests replace it.
  std::function<void(const QUrl&)> OpenUrl;

  QLabel* Label1() const { return label1_; }
  QLabel* Image1() const { return image1_; }
  QLabel* Label5() const { return label5_; }
  QTextBrowser* songSources() const { return sources_; }

  void Label5_Click();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLabel* label1_ = nullptr;
  QLabel* image1_ = nullptr;
  QLabel* label5_ = nullptr;
  QTextBrowser* sources_ = nullptr;
};

}  // namespace tonalix::help

// The help wrapper's checks and messages, its registration list, and the viewer on the real
// compiled help file; the about box and the system information window from the main window.
#include <QLabel>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextBrowser>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

#include "help/ChmBrowser.h"
#include "help/HTMLHelp.h"
#include "help/HelpViewer.h"
#include "help/HelpWindows.h"
#include "help/frmAbout.h"
#include "help/frmOSInfo.h"
#include "help/modOS.h"
#include "platform/system/OsVersion.h"
#include "tests/support/LoadedWindow.h"

using namespace tonalix;
using namespace tonalix::help;

namespace {

struct Message {
  HTMLHelp::MessageKind kind;
  QString text;
};

// A wrapper whose messages are collected, whose program folder and registration list live in
// a temporary folder.
struct Rig {
  QTemporaryDir dir;
  HTMLHelp help;
  QList<Message> messages;
  Rig() {
    help.ShowMessage = [this](HTMLHelp::MessageKind kind, const QString& text) { messages.append({kind, text}); };
    help.ProgramFolder = dir.path();
    help.setRegistrationStore(dir.filePath(QStringLiteral("config/help-files")));
  }
  QString lastText() const { return messages.isEmpty() ? QString() : messages.last().text; }
};

HelpViewer* viewerOf(HTMLHelp& help) { return qobject_cast<HelpViewer*>(help.HHWndHandle()); }

// Clicks the first link to href in the viewer's page, as the user would.
bool clickLink(HelpViewer* viewer, const QString& href) {
  QTextBrowser* browser = viewer->browser();
  for (QTextBlock block = browser->document()->begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (!fragment.charFormat().isAnchor() || fragment.charFormat().anchorHref() != href) continue;
      QTextCursor cursor(browser->document());
      cursor.setPosition(fragment.position() + 1);
      browser->ensureCursorVisible();
      const QPoint at = browser->cursorRect(cursor).center();
      QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, at);
      return true;
    }
  }
  return false;
}

}  // namespace

class tst_Help : public QObject {
  Q_OBJECT
 private slots:
  void cleanup() { HelpWindows::instance().CloseAll(); }

  void nameCheckAndFileCompletion() {
    Rig rig;
    // Upper-case CHM passes the name check; the missing file is then reported with its path.
    rig.help.setCHMFile(QStringLiteral("Guide.CHM"));
    rig.help.HHDisplayTopicID();
    QCOMPARE(rig.messages.size(), 1);
    QCOMPARE(rig.lastText(), QStringLiteral("The file ") + rig.dir.path() +
                                 QStringLiteral("/Guide.CHM does not exist.\nPlease make sure the correct path and file name have been specified."));
    QCOMPARE(rig.help.CHMFile(), rig.dir.path() + QStringLiteral("/Guide.CHM"));
    QVERIFY(!rig.help.HHWndHandle());

    // A page is not a help file: warned about and nothing else happens.
    rig.messages.clear();
    rig.help.setCHMFile(QStringLiteral("guide.htm"));
    rig.help.HHDisplayContents();
    QCOMPARE(rig.messages.size(), 1);
    QCOMPARE(rig.messages[0].kind, HTMLHelp::MessageKind::Warning);
    QCOMPARE(rig.lastText(), QStringLiteral("guide.htm is not a valid HTML Help file."));

    // The exact path is tested: brackets in a folder name are no pattern.
    QVERIFY(QDir(rig.dir.path()).mkpath(QStringLiteral("[x]")));
    QFile file(rig.dir.filePath(QStringLiteral("[x]/a.chm")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QString path = rig.dir.filePath(QStringLiteral("[x]/a.chm"));
    QVERIFY(rig.help.EnsureFileExists(path));
    path = rig.dir.filePath(QStringLiteral("[xy]/a.chm"));
    QVERIFY(!rig.help.EnsureFileExists(path));
  }

  void targetAndMissingFormWarning() {
    Rig rig;
    rig.help.setCHMFile(QStringLiteral("/h/a.chm"));
    rig.help.setHHWindow(QStringLiteral("  "));
    QCOMPARE(rig.help.Target(), QStringLiteral("/h/a.chm"));
    rig.help.setHHWindow(QStringLiteral("Main"));
    QCOMPARE(rig.help.Target(), QStringLiteral("/h/a.chm>Main"));

    rig.help.setCHMFile(QStringLiteral(TONALIX_HELP_FILE));
    rig.help.setHHShowOnTop(true);
    rig.help.HHDisplayTopicID();
    QCOMPARE(rig.lastText(), QStringLiteral("The HHDisplayTopicID method was called without a form being "
                                            "specified, while HHShowOnTop was set to True."));
    rig.help.HHDisplayKeyword();
    QVERIFY(rig.lastText().startsWith(QStringLiteral("The HHDisplayKeyword method was called ")));
  }

  void registerCheckAndUnregister() {
    Rig rig;
    QVERIFY(QDir(rig.dir.path()).mkpath(QStringLiteral("docs")));
    const QString folder = rig.dir.filePath(QStringLiteral("docs"));
    QFile file(folder + QStringLiteral("/Guide.chm"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    rig.help.HHRegister(QStringLiteral("Guide.chm"));
    QCOMPARE(rig.lastText(), QStringLiteral("Cannot register Guide.chm without having a supplied path.\""));

    rig.help.HHRegister(folder + QStringLiteral("/Guide.chm"));
    QFile store(rig.dir.filePath(QStringLiteral("config/help-files")));
    QVERIFY(store.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(store.readAll()), QStringLiteral("Guide.chm\t") + folder + QStringLiteral("/\n"));

    rig.help.HHCheckRegistry(QStringLiteral("guide.chm"));
    QCOMPARE(rig.help.HHRegFileName(), QStringLiteral("Guide.chm"));
    QCOMPARE(rig.help.HHRegFilePath(), folder);
    QVERIFY(rig.help.HHRegFileExists());

    // A bare name now resolves through the list, not the program's folder.
    QString bare = QStringLiteral("Guide.chm");
    QVERIFY(rig.help.EnsureFileExists(bare));
    QCOMPARE(bare, QStringLiteral("%1/Guide.chm").arg(folder));

    rig.help.HHRegister(folder + QStringLiteral("/Guide.chm"));
    QVERIFY(rig.lastText().endsWith(QStringLiteral("is already registered.  HHRegister will not be run as no action need be taken.")));

    rig.help.HHUnRegister(QStringLiteral("Guide.chm"));
    QVERIFY(rig.help.HHRegFileName().isEmpty());
    rig.messages.clear();
    rig.help.HHUnRegister(QStringLiteral("Guide.chm"));
    QCOMPARE(rig.lastText(), QStringLiteral("The file Guide.chm is not registered.  HHUnRegister will not be run as no action need be taken."));
  }

  void verifyMinConfig() {
    Rig rig;
    rig.help.DetectHHVersion = [] { return QStringLiteral("4.74.8702.00"); };
    rig.help.DetectIEVersion = [] { return QStringLiteral("5.00.2919.6307"); };
    QVERIFY(rig.help.HHVerifyMinConfig(16, 256));
    QVERIFY(rig.help.HHVerifyMinConfig(26, 273));
    QCOMPARE(rig.help.HHFriendlyName(), QStringLiteral("1.3"));
    QCOMPARE(rig.help.IEFriendlyName(), QStringLiteral("5.01"));
    QVERIFY(!rig.help.HHVerifyMinConfig(27, 256));
    QCOMPARE(rig.help.HHFriendlyName(), QStringLiteral("unknown"));
    QVERIFY(!rig.help.HHVerifyMinConfig(16, 274));
    rig.help.DetectHHVersion = [] { return QStringLiteral("4.72.7290.00"); };
    QVERIFY(!rig.help.HHVerifyMinConfig(26, 256));
    // Our own viewer and toolkit report their versions, which the old tables do not name.
    QCOMPARE(HTMLHelp::VersionText(4, 0, 0, 7), QStringLiteral("4.00.0007"));
    // The toolkit's 6.5.0 and 6.4.10 stay apart, in the order the text comparison needs.
    QCOMPARE(HTMLHelp::VersionText(6, 4, 10, 0), QStringLiteral("6.04.10.00"));
    QVERIFY(HTMLHelp::VersionText(6, 5, 0, 0).compare(HTMLHelp::VersionText(6, 4, 10, 0)) > 0);
    QVERIFY(rig.messages.isEmpty());
  }

  void viewerShowsTopicsOfTheRealFile() {
    Rig rig;
    rig.help.setCHMFile(QStringLiteral(TONALIX_HELP_FILE));
    rig.help.setHHWindow(QStringLiteral("Main"));
    rig.help.setHHTopicID(1);
    rig.help.HHDisplayTopicID();
    HelpViewer* viewer = viewerOf(rig.help);
    QVERIFY(viewer);
    QVERIFY(rig.messages.isEmpty());
    QCOMPARE(viewer->windowTitle(), QStringLiteral("Tonalix STUDIO 4.0 - How to Use"));
    QCOMPARE(viewer->geometry().size(), QSize(900, 640));
    QCOMPARE(viewer->currentTopic(), QStringLiteral("/start.htm"));
    QVERIFY(viewer->browser()->toPlainText().contains(QStringLiteral("Welcome to Tonalix STUDIO")));

    rig.help.setHHTopicID(2);
    rig.help.HHDisplayTopicID();
    QCOMPARE(viewerOf(rig.help), viewer);
    QCOMPARE(viewer->currentTopic(), QStringLiteral("/mouse.htm"));

    // A link in the page, back and forward.
    QVERIFY(clickLink(viewer, QStringLiteral("keys.htm")));
    QCOMPARE(viewer->currentTopic(), QStringLiteral("/keys.htm"));
    QVERIFY(viewer->browser()->document()->resource(QTextDocument::ImageResource,
                                                    QUrl(QStringLiteral("chm:/keymap.png"))).isValid());
    QVERIFY(viewer->backButton()->isEnabled());
    viewer->backButton()->click();
    QCOMPARE(viewer->currentTopic(), QStringLiteral("/mouse.htm"));
    viewer->forwardButton()->click();
    QCOMPARE(viewer->currentTopic(), QStringLiteral("/keys.htm"));

    // Contents, index and search lead to topics too.
    QVERIFY(viewer->contentsTree()->topLevelItemCount() >= 3);
    QCOMPARE(viewer->LookupKeywords(QStringLiteral("nothing; PIPEWIRE")), QStringList{QStringLiteral("troubleshooting.htm")});
    const auto found = viewer->Search(QStringLiteral("pactl JACK"));
    QCOMPARE(found.size(), 1);
    QCOMPARE(found[0].second, QStringLiteral("/troubleshooting.htm"));

    // Shown on top of a form, the viewer belongs to that form.
    QWidget form;
    rig.help.setHHShowOnTop(true);
    rig.help.HHDisplayTopicID(&form);
    QCOMPARE(viewer->parentWidget(), &form);
    rig.help.setHHShowOnTop(false);
    rig.help.HHDisplayTopicID();
    QVERIFY(!viewer->parentWidget());

    rig.help.setHHKeyword(QStringLiteral("drum rate"));
    rig.help.setHHWindow(QString());
    rig.help.HHDisplayKeyword();
    // The file's default window type is "Main": the lookup lands in the window already open.
    QCOMPARE(viewerOf(rig.help), viewer);
    QCOMPARE(viewer->currentTopic(), QStringLiteral("/drums.htm"));
  }

  void linksStayWhereTheyBelong() {
    Rig rig;
    rig.help.setCHMFile(QStringLiteral(TONALIX_HELP_FILE));
    rig.help.HHDisplayContents();
    HelpViewer* viewer = viewerOf(rig.help);
    QVERIFY(viewer);
    ChmBrowser* browser = viewer->browser();
    QList<QUrl> handedOver;
    browser->OpenExternal = [&handedOver](const QUrl& url) { handedOver.append(url); };
    // A page naming a local file as a picture must not make the window read it: /dev/zero
    // never ends. Only chm: and data: resources load.
    browser->setHtml(QStringLiteral(
        "<p><img src=\"file:///dev/zero\"><img src=\"qrc:/nothing\"></p>"
        "<p><a href=\"file:///etc/passwd\">file</a></p><p><a href=\"tonalix-run:x\">custom</a></p>"
        "<p><a href=\"https://example.org/\">web</a></p><p><a href=\"mailto:a@example.org\">mail</a></p>"));
    QCOMPARE(browser->loadResource(QTextDocument::ImageResource, QUrl(QStringLiteral("file:///dev/zero"))).toByteArray().size(), 1);
    for (const char* href : {"file:///etc/passwd", "tonalix-run:x", "https://example.org/", "mailto:a@example.org"})
      QVERIFY2(clickLink(viewer, QString::fromLatin1(href)), href);
    QCOMPARE(handedOver, (QList<QUrl>{QUrl(QStringLiteral("https://example.org/")),
                                      QUrl(QStringLiteral("mailto:a@example.org"))}));
  }

  void linuxLines() {
    platform::LinuxSystemVersion linux;
    linux.prettyName = platform::OsReleasePrettyName("PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n");
    linux.kernelName = "Linux";
    linux.kernelRelease = "6.1.0-28-amd64";
    platform::ParseKernelRelease(linux.kernelRelease, linux.major, linux.minor, linux.patch);
    QCOMPARE(LinuxDescriptionLines(linux),
             (QStringList{"Debian GNU/Linux 12 (bookworm)", "Plat form ID: Linux", "Version: 6.1.", "Build: 0",
                          "6.1.0-28-amd64"}));
  }

  void helpMenuThroughTheMainWindow() {
    testing::LoadedWindow rig;
    frmPiano& w = rig.window;
    for (QAction* a : {w.Contents(), w.About(), w.mnuInfo()}) QVERIFY(a->isEnabled());

    // "How to Use" finds the help file under help/ beside the program and opens topic 1.
    w.Contents()->trigger();
    QVERIFY(w.htmlHelp());
    auto* viewer = qobject_cast<HelpViewer*>(w.htmlHelp()->HHWndHandle());
    QVERIFY(viewer);
    QCOMPARE(viewer->currentTopic(), QStringLiteral("/start.htm"));
    QVERIFY(!viewer->parentWidget());
    QPointer<HelpViewer> viewerAlive(viewer);

    // One about box and one information window however often they are asked for.
    w.About()->trigger();
    w.About()->trigger();
    w.mnuInfo()->trigger();
    w.mnuInfo()->trigger();
    const auto windows = QApplication::topLevelWidgets();
    QCOMPARE(std::count_if(windows.begin(), windows.end(), [](QWidget* x) { return qobject_cast<frmAbout*>(x); }), 1);
    QCOMPARE(std::count_if(windows.begin(), windows.end(), [](QWidget* x) { return qobject_cast<frmOSInfo*>(x); }), 1);
    QCOMPARE(w.aboutBox()->windowTitle(), QStringLiteral(" About Tonalix STUDIO 4.0"));
    QVERIFY(w.aboutBox()->songSources()->toPlainText().contains(QStringLiteral("CC BY-SA")));
    QList<QUrl> opened;
    w.aboutBox()->OpenUrl = [&opened](const QUrl& url) { opened.append(url); };
    QTest::mouseClick(w.aboutBox()->Label5(), Qt::LeftButton);
    QCOMPARE(opened, QList<QUrl>{frmAbout::WebAddress()});
    QCOMPARE(w.osInfo()->windowTitle(), QStringLiteral(" Tonalix STUDIO 4.0"));
    QCOMPARE(w.osInfo()->Label1()->text().split(QStringLiteral("\r\n")).size(), 5);

    // A damaged file, a folder named like the help file: the wrapper's message, nothing else.
    // A folder whose name holds ">" and "::" is just a folder.
    QTemporaryDir elsewhere;
    QList<QString> said;
    w.htmlHelp()->ShowMessage = [&said](HTMLHelp::MessageKind, const QString& text) { said.append(text); };
    const QString odd = elsewhere.filePath(QStringLiteral("a>b::c"));
    QVERIFY(QDir().mkpath(odd + QStringLiteral("/help")));
    const QString copy = odd + QStringLiteral("/help/Tonalix-STUDIO.chm");
    QVERIFY(QFile::copy(QStringLiteral(TONALIX_HELP_FILE), copy));
    w.htmlHelp()->ProgramFolder = odd;
    w.Contents()->trigger();
    QCOMPARE(said, QList<QString>{});
    auto* oddViewer = qobject_cast<HelpViewer*>(w.htmlHelp()->HHWndHandle());
    QVERIFY(oddViewer && oddViewer != viewer);
    QCOMPARE(oddViewer->currentTopic(), QStringLiteral("/start.htm"));

    QFile damaged(copy);
    QVERIFY(damaged.open(QIODevice::ReadWrite));
    QVERIFY(damaged.seek(0x60));
    damaged.write(QByteArray(0x1000, '\xff'));  // the directory, overwritten
    damaged.close();
    QPointer<HelpViewer> oddAlive(oddViewer);
    HelpWindows::instance().CloseAll();
    QTRY_VERIFY(!oddAlive);  // the file is read afresh once no viewer holds it
    w.Contents()->trigger();
    QCOMPARE(said, QList<QString>{copy + QStringLiteral(" is not a valid HTML Help file.")});
    QVERIFY(QFile::remove(copy));
    QVERIFY(QDir().mkpath(copy));
    w.Contents()->trigger();
    QCOMPARE(said.size(), 2);
    QCOMPARE(said.last(), said.first());

    w.close();
    QVERIFY(!w.aboutBox());
    QVERIFY(!w.osInfo());
    QTRY_VERIFY(!viewerAlive);
  }
};

QTEST_MAIN(tst_Help)
#include "tst_Help.moc"

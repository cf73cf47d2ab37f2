#include "app/frmPiano.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>

#include "app/MainWindowProc.h"
#include "app/PanelBackground.h"
#include "drums/DrumPads.h"
#include "help/HTMLHelp.h"
#include "help/frmAbout.h"
#include "help/frmOSInfo.h"
#include "keyboard/ComputerKeyboard.h"
#include "keyboard/KeyLabels.h"
#include "keyboard/MidiKeyboardInput.h"
#include "keyboard/PianoKeyboard.h"
#include "midi/DeviceMenu.h"
#include "midi/SoundControls.h"
#include "platform/system/ProgramName.h"
#include "recorder/WaveRecorder.h"
#include "songs/SampleSongPanel.h"
#include "songs/SequencerControl.h"
#include "widgets/AccessibleControls.h"
#include "widgets/TwipsToPixels.h"
#include "widgets/zqButtons_H.h"

namespace tonalix {

namespace {
// The title the window design gives; a sound-output notice adds to it.
QString designedTitle() {
  return QStringLiteral(" %1 - Virtual Piano & MIDI Studio").arg(QString::fromUtf8(platform::kProgramTitle));
}
}  // namespace

frmPiano::frmPiano(Services services, QWidget* parent)
    : QMainWindow(parent),
      services_(std::move(services)),
      // The chosen instrument follows the output back from a song.
      midi_(services_.stopSong ? services_.stopSong : [this] { sequencer_->StopMidi(); },
            [this] { soundControls_->ResendInstrument(); }) {
  if (!services_.messageBox) services_.messageBox = widgets::ShowMessageBox;
  widgets::InstallAccessibleControls();
  if (!services_.deleteSampleTempFiles)
    services_.deleteSampleTempFiles = [this] { sampleSongs_->DeleteSampleTempFiles(); };
  setWindowTitle(designedTitle());
  setObjectName(QStringLiteral("frmPiano"));
  surface_ = new PanelBackground(this);
  surface_->setFixedSize(kClientWidthTwips / widgets::kTwipsPerPixel,
                         kClientHeightTwips / widgets::kTwipsPerPixel);
  setCentralWidget(surface_);
  // The design's controls first; the keys, made in code, then lie above them.
  const auto parsed = widgets::FormDesign::load(QStringLiteral(":/frmPiano.design"));
  controls_ = parsed.design.build(surface_);
  designErrors_ = parsed.errors + controls_.errors();
  soundControls_ = new SoundControls(midi_, controls_, surface_);
  buildMenus();
  // The chosen instrument follows the output to a newly chosen device.
  connect(deviceMenu_, &DeviceMenu::DeviceChanged, soundControls_, &SoundControls::ResendInstrument);
  piano_ = new keyboard::PianoKeyboard(midi_, surface_, [this] { keyLabels_->ShowKeyLabels(); });
  keyLabels_ = new keyboard::KeyLabels(*piano_, controls_, surface_);
  connect(soundControls_, &SoundControls::PitchChanged, piano_, &keyboard::PianoKeyboard::NameKeys);
  computerKeyboard_ = new keyboard::ComputerKeyboard(midi_, *piano_);
  midiKeyboard_ = new keyboard::MidiKeyboardInput(midi_, *piano_, this);
  drumPads_ = new drums::DrumPads(midi_, controls_, surface_);
  sequencer_ = std::make_unique<SequencerControl>(
      [this](const std::string& text, const std::string& caption) {
        services_.messageBox(this, QString::fromStdString(caption), QString::fromStdString(text),
                             widgets::MessageIcon::None);
      },
      platform::kProgramTitle);
  sampleSongs_ = new songs::SampleSongPanel(midi_, *sequencer_, controls_,
                                            songs::SampleTempFiles::ForThisProgram(),
                                            services_.messageBox, this);
  waveRecorder_ = new recorder::WaveRecorder(
      controls_, surface_, services_.messageBox, platform::kProgramTitle,
      [this](const std::string& path) { return sequencer_->ShortPath(path); },
      platform::MciCalls::layer(), this);
  connect(waveRecorder_, &recorder::WaveRecorder::PlaybackStarted, drumPads_, [this] { drumPads_->PauseRepeats(true); });
  connect(waveRecorder_, &recorder::WaveRecorder::PlaybackFinished, drumPads_, [this] { drumPads_->PauseRepeats(false); });
  keepKeyboardWithThePiano();
}

void frmPiano::keepKeyboardWithThePiano() {
  // A click on a pad, an octave or song button leaves the keyboard focus on the piano, so the
  // computer keys go on playing; Tab still reaches every button. The instrument list keeps
  // taking the focus on a click: its arrow keys choose the instrument.
  for (auto* button : surface_->findChildren<widgets::zqButtons_H*>())
    if (button->focusPolicy() != Qt::NoFocus) button->setFocusPolicy(Qt::TabFocus);
}

frmPiano::~frmPiano() { Form_Unload(); }

QWidget* frmPiano::surface() const { return surface_; }

void frmPiano::Roll(const QString& waveFile) { waveRecorder_->Roll(waveFile); }

void frmPiano::buildMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  mnuExit_ = file->addAction(QStringLiteral("Exit"));
  connect(mnuExit_, &QAction::triggered, this, &QWidget::close);

  deviceMenu_ = new DeviceMenu(midi_, menuBar());

  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  contents_ = help->addAction(QStringLiteral("How to Use"));
  about_ = help->addAction(QStringLiteral("About"));
  help->addSeparator();
  mnuInfo_ = help->addAction(QStringLiteral("System Info"));
  connect(contents_, &QAction::triggered, this, &frmPiano::Contents_Click);
  connect(about_, &QAction::triggered, this, &frmPiano::About_Click);
  connect(mnuInfo_, &QAction::triggered, this, &frmPiano::mnuInfo_Click);
}

void frmPiano::ShowOutputNotice(const QString& notice) {
  setWindowTitle(notice.isEmpty() ? designedTitle() : designedTitle() + QStringLiteral(" - no sound"));
  if (outputNoticeBox_) outputNoticeBox_->close();
  if (notice.isEmpty()) return;
  // Not modal: the user may dismiss it, play on (the recorder still records) or open the help.
  auto* box = new QMessageBox(QMessageBox::Warning, QString::fromUtf8(platform::kProgramTitle), notice, QMessageBox::Ok, this);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::NonModal);
  box->show();
  outputNoticeBox_ = box;
}

void frmPiano::Contents_Click() {
  if (!htmlHelp_) htmlHelp_ = std::make_unique<help::HTMLHelp>();
  htmlHelp_->setCHMFile(htmlHelp_->ProgramFolder + QStringLiteral("/help/Tonalix-STUDIO.chm"));
  htmlHelp_->setHHTopicID(1);
  htmlHelp_->setHHWindow(QStringLiteral("Main"));
  htmlHelp_->HHDisplayTopicID();
}

help::frmAbout* frmPiano::aboutBox() const { return aboutBox_.data(); }
help::frmOSInfo* frmPiano::osInfo() const { return osInfo_.data(); }

void frmPiano::About_Click() {
  // A secondary window of its own (no parent): it may go behind the piano and stays until closed.
  if (!aboutBox_) aboutBox_ = new help::frmAbout;
  aboutBox_->show();
  aboutBox_->raise();
  aboutBox_->activateWindow();
}

void frmPiano::mnuInfo_Click() {
  if (!osInfo_) osInfo_ = new help::frmOSInfo;
  osInfo_->show();
  osInfo_->raise();
  osInfo_->activateWindow();
}

void frmPiano::Form_Load() {
  if (loaded_) return;
  loaded_ = true;
  // Each step stands alone: one that cannot do its work leaves the rest to run.
  midi_.OpenAtStartup();
  deviceMenu_->Fill();
  soundControls_->FillInstrumentList();
  soundControls_->SetPitch(50);
  soundControls_->SelectInstrument(0);
  deviceMenu_->device_Click(0);
  soundControls_->SetVolume(127);
  soundControls_->SetDrumVolume(127);
  keyLabels_->PrepareAtLoad();
  piano_->PrepareAtLoad();
  midi_.StartLivePlay();
  drumPads_->StopAllDrums();
  waveRecorder_->PrepareAtLoad();
  // The computer keyboard plays from the first moment: the piano holds the focus at start.
  piano_->chkPiano(0)->setFocus();
  // A MIDI keyboard plays once live play holds the output; having none is no error.
  midiKeyboard_->Start();
  adjustSize();
  MainWindowProc::Install(this);
}

void frmPiano::Form_Unload() {
  if (unloaded_ || !loaded_) return;
  unloaded_ = true;
  // A take in progress is saved to its file before anything else goes.
  waveRecorder_->StopForUnload();
  midiKeyboard_->Stop();
  midi_.CloseAtUnload();
  services_.deleteSampleTempFiles();
  // The secondary windows go with the main one; so do help viewers, which would otherwise keep
  // the program running after its window has closed.
  delete aboutBox_.data();
  delete osInfo_.data();
  if (htmlHelp_) htmlHelp_->HHClose();
}

void frmPiano::closeEvent(QCloseEvent* event) {
  Form_Unload();
  event->accept();
}

}  // namespace tonalix

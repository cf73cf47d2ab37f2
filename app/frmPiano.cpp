#include "app/frmPiano.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>

#include "app/AppTitle.h"
#include "app/MainWindowProc.h"
#include "app/PanelBackground.h"
#include "drums/DrumPads.h"
#include "keyboard/ComputerKeyboard.h"
#include "keyboard/KeyGeometry.h"
#include "keyboard/KeyLabels.h"
#include "keyboard/PianoKeyboard.h"
#include "midi/DeviceMenu.h"
#include "midi/SoundControls.h"
#include "recorder/WaveRecorder.h"
#include "songs/SampleSongPanel.h"
#include "songs/SequencerControl.h"
#include "widgets/zqButtons_H.h"

namespace tonalix {

frmPiano::frmPiano(QWidget* parent) : QMainWindow(parent) {
  setWindowTitle(MainWindowTitle());
  setObjectName(QStringLiteral("frmPiano"));
  surface_ = new PanelBackground(this);
  surface_->setFixedSize(kClientWidthTwips / keyboard::kTwipsPerPixel,
                         kClientHeightTwips / keyboard::kTwipsPerPixel);
  setCentralWidget(surface_);
  // The design's controls first; the keys, made in code, then lie above them.
  const auto parsed = widgets::FormDesign::load(QStringLiteral(":/frmPiano.design"));
  controls_ = parsed.design.build(surface_);
  designErrors_ = parsed.errors + controls_.errors();
  soundControls_ = new SoundControls(midi_, controls_, surface_);
  buildMenus();
  // The chosen instrument follows the output to a newly chosen device, and back from a song.
  connect(deviceMenu_, &DeviceMenu::DeviceChanged, soundControls_, &SoundControls::ResendInstrument);
  midi_.LiveOutputReopened = [this] { soundControls_->ResendInstrument(); };
  piano_ = new keyboard::PianoKeyboard(midi_, surface_);
  keyLabels_ = new keyboard::KeyLabels(*piano_, controls_, surface_);
  computerKeyboard_ = new keyboard::ComputerKeyboard(midi_, *piano_);
  drumPads_ = new drums::DrumPads(midi_, controls_, surface_);
  sequencer_ = std::make_unique<SequencerControl>(
      [this](const std::string& text, const std::string& caption) {
        QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption),
                        QString::fromStdString(text), QMessageBox::Ok, this);
        box.exec();
      },
      AppTitle().toStdString());
  midi_.StopMidi = [this] { sequencer_->StopMidi(); };
  sampleSongs_ = new songs::SampleSongPanel(midi_, *sequencer_, controls_,
                                            songs::SampleTempFiles::ForThisProgram(), this);
  DeleteSampleTempFiles = [this] { sampleSongs_->DeleteSampleTempFiles(); };
  waveRecorder_ = new recorder::WaveRecorder(
      controls_, surface_,
      [this](const QString& text, const QString& caption) {
        QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, this);
        box.exec();
      },
      AppTitle(), [this](const std::string& path) { return sequencer_->ShortPath(path); }, MciCalls::platform(), this);
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
  // These windows are not part of this build yet; the items stay visible.
  for (QAction* a : {contents_, about_, mnuInfo_}) a->setEnabled(false);
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
  midi_.PlayMode = MidiState::kLiveOwnsOutput;
  drumPads_->StopAllDrums();
  waveRecorder_->PrepareAtLoad();
  // The computer keyboard plays from the first moment: the piano holds the focus at start.
  piano_->chkPiano(0)->setFocus();
  adjustSize();
  MainWindowProc::Install(this);
}

void frmPiano::Form_Unload() {
  if (unloaded_ || !loaded_) return;
  unloaded_ = true;
  // A take in progress is saved to its file before anything else goes.
  waveRecorder_->StopForUnload();
  midi_.CloseAtUnload();
  if (DeleteSampleTempFiles) DeleteSampleTempFiles();
}

void frmPiano::closeEvent(QCloseEvent* event) {
  Form_Unload();
  event->accept();
}

}  // namespace tonalix

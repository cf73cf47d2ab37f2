#include "midi/SoundControls.h"

#include <QFont>
#include <QListWidget>
#include <QPalette>
#include <QScrollBar>
#include <algorithm>

#include "midi/InstrumentCatalogue.h"
#include "midi/MidiState.h"
#include "widgets/DesignLabel.h"
#include "widgets/FormDesign.h"
#include "widgets/TwipsToPixels.h"
#include "widgets/zqButtons_H.h"
#include "widgets/zykProgressBar.h"
#include "widgets/zykSlider.h"

namespace tonalix {

using widgets::DesignLabel;
using widgets::zqButtons_H;
using widgets::zykProgressBar;
using widgets::zykSlider;

namespace {
// A slider set up with a wider range must still never push a note or velocity past 127.
constexpr int kMaxVelocity = 127;
constexpr int kMaxBaseNote = 63;
}  // namespace

SoundControls::SoundControls(MidiState& midi, const widgets::BuiltControls& controls,
                             QWidget* surface)
    : QObject(surface), midi_(midi) {
  volume_ = controls.get<zykSlider>(QStringLiteral("vscrVolume"));
  volumeBar_ = controls.get<zykProgressBar>(QStringLiteral("volProgBar"));
  pitch_ = controls.get<zykSlider>(QStringLiteral("vscrPitch"));
  pitchBar_ = controls.get<zykProgressBar>(QStringLiteral("pitchProgBar"));
  pitchLabel_ = controls.get<DesignLabel>(QStringLiteral("lblPitch"));
  for (int i = 0; i < kOctaveButtons; ++i)
    octaves_[static_cast<std::size_t>(i)] = controls.get<zqButtons_H>(QStringLiteral("cmdOctave"), i);
  drumVolume_ = controls.get<zykSlider>(QStringLiteral("hscrvolumeD"));
  makeInstrumentList(surface);
  setTooltips();
  connectHandlers();
}

zqButtons_H* SoundControls::cmdOctave(int index) const {
  if (index < 0 || index >= kOctaveButtons) return nullptr;
  return octaves_[static_cast<std::size_t>(index)];
}

void SoundControls::makeInstrumentList(QWidget* surface) {
  list_ = new QListWidget(surface);
  list_->setObjectName(QStringLiteral("lstInstrument"));
  // Placed in the design's units like every control of the design: the screen's own DPI would
  // move and grow it past its neighbours on a screen that is not 96 dpi.
  const auto px = [](int twips) { return widgets::designTwipsToPixels(twips); };
  list_->setGeometry(px(kListLeft), px(kListTop), px(kListWidth), px(kListHeight));
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list_->setUniformItemSizes(true);
  QFont font(QStringLiteral("Verdana"));
  font.setPointSize(7);
  list_->setFont(font);
  // A dark inset with warm text, so the list reads as part of the panel; the pick is lit gold.
  QPalette pal = list_->palette();
  pal.setColor(QPalette::Base, QColor(16, 15, 18));
  pal.setColor(QPalette::Text, QColor(226, 214, 196));
  pal.setColor(QPalette::Highlight, QColor(190, 148, 72));
  pal.setColor(QPalette::HighlightedText, QColor(20, 16, 10));
  for (auto group : {QPalette::Active, QPalette::Inactive}) {
    pal.setColor(group, QPalette::Highlight, QColor(190, 148, 72));
    pal.setColor(group, QPalette::HighlightedText, QColor(20, 16, 10));
  }
  pal.setColor(QPalette::WindowText, QColor(74, 64, 54));  // the thin edge around the list
  list_->setPalette(pal);
  list_->setFrameShape(QFrame::Box);
  list_->setFrameShadow(QFrame::Plain);
  // A slim dark scroll bar leaves the names their room.
  list_->verticalScrollBar()->setStyleSheet(QStringLiteral(
      "QScrollBar:vertical { background: #141216; width: 9px; margin: 0; }"
      "QScrollBar::handle:vertical { background: #6e6050; min-height: 16px; border-radius: 3px;"
      " margin: 1px; }"
      "QScrollBar::handle:vertical:hover { background: #be9448; }"
      "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
      "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }"));
  list_->show();
}

void SoundControls::setTooltips() {
  volume_->setToolTip(QStringLiteral("Synthesizer Volume"));
  volumeBar_->setToolTip(QStringLiteral("Volume Indicator"));
  pitch_->setToolTip(QStringLiteral("Synthesizer Pitch"));
  pitchBar_->setToolTip(QStringLiteral("Pitch Indicator"));
  pitchLabel_->setToolTip(QStringLiteral("Pitch Value"));
  for (int i = 0; i < kOctaveButtons; ++i) {
    zqButtons_H* button = octaves_[static_cast<std::size_t>(i)];
    button->setToolTip(QStringLiteral("Octave Shift"));
    // The caption "01" alone says nothing to a screen reader.
    button->setAccessibleName(QStringLiteral("Octave %1").arg(i + 1));
  }
  list_->setAccessibleName(QStringLiteral("Instrument"));
  drumVolume_->setToolTip(QStringLiteral("Drum Machine Volume"));
}

void SoundControls::connectHandlers() {
  // Every change of the selection picks, whether by mouse, arrow keys or typing a name.
  connect(list_, &QListWidget::currentRowChanged, this, [this] { lstInstrument_Click(); });
  // The sliders act on their Click only (a left release over them): dragging alone, or a
  // release outside, leaves the sound as it was.
  connect(volume_, &zykSlider::Click, this, &SoundControls::vscrVolume_Click);
  connect(pitch_, &zykSlider::Click, this, &SoundControls::vscrPitch_Click);
  connect(drumVolume_, &zykSlider::Click, this, &SoundControls::hscrvolumeD_Click);
  for (int i = 0; i < kOctaveButtons; ++i)
    connect(octaves_[static_cast<std::size_t>(i)], &zqButtons_H::Click, this,
            [this, i] { cmdOctave_Click(i); });
}

void SoundControls::FillInstrumentList() {
  for (std::string_view name : InstrumentNames())
    list_->addItem(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
}

void SoundControls::showPitch(int note) {
  pitchLabel_->SetCaption(QString::number(note));
  (void)pitch_->SetValue(note);
  (void)pitchBar_->SetValue(note);
}

void SoundControls::SetPitch(int note) {
  midi_.SetBaseNote(static_cast<std::int16_t>(note));
  showPitch(note);
  emit PitchChanged();
}

void SoundControls::SelectInstrument(int program) {
  if (program < 0 || program >= list_->count()) return;
  list_->setCurrentRow(program);
}

void SoundControls::SetVolume(int velocity) {
  midi_.SetKeyVelocity(static_cast<std::int16_t>(velocity));
  (void)volume_->SetValue(velocity);
  (void)volumeBar_->SetValue(velocity);
}

void SoundControls::SetDrumVolume(int velocity) {
  midi_.SetDrumVelocity(static_cast<std::int16_t>(velocity));
  (void)drumVolume_->SetValue(velocity);
}

void SoundControls::ResendInstrument() {
  const int program = list_->currentRow();
  if (program >= 0 && program < kInstrumentCount) midi_.SetInstrument(static_cast<std::int16_t>(program));
}

void SoundControls::lstInstrument_Click() {
  // Clearing the list reports row -1; there is no instrument to send then.
  ResendInstrument();
}

void SoundControls::vscrVolume_Click() {
  midi_.SetKeyVelocity(static_cast<std::int16_t>(std::clamp(volume_->Value(), 0, kMaxVelocity)));
  (void)volumeBar_->SetValue(midi_.KeyVelocity());
}

void SoundControls::vscrPitch_Click() {
  midi_.SetBaseNote(static_cast<std::int16_t>(std::clamp(pitch_->Value(), 0, kMaxBaseNote)));
  pitchLabel_->SetCaption(QString::number(midi_.BaseNote()));
  (void)pitchBar_->SetValue(midi_.BaseNote());
  emit PitchChanged();
}

void SoundControls::cmdOctave_Click(int index) {
  if (index < 0 || index >= kOctaveButtons) return;
  SetPitch(kNotesPerOctaveButton * index);
}

void SoundControls::hscrvolumeD_Click() {
  midi_.SetDrumVelocity(static_cast<std::int16_t>(std::clamp(drumVolume_->Value(), 0, kMaxVelocity)));
}

}  // namespace tonalix

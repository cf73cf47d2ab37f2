#include "drums/DrumPads.h"

#include "widgets/FormDesign.h"
#include "widgets/SmallFont.h"
#include "widgets/TwipsToPixels.h"
#include "widgets/zqButtons_H.h"

namespace tonalix::drums {

DrumPads::DrumPads(MidiState& midi, const widgets::BuiltControls& design, QWidget* surface)
    : QObject(surface), midi_(midi) {
  buildControls(design, surface);
}

void DrumPads::buildControls(const widgets::BuiltControls& design, QWidget* surface) {
  for (int n = 1; n <= kPadCount; ++n) {
    Pad& p = pads_[static_cast<std::size_t>(n - 1)];
    p.button = design.get<widgets::zqButtons_H>(QStringLiteral("cmdDrum%1").arg(n));
    p.button->DelayDrawing(true);
    p.button->setMode(widgets::zqButtons_H::ModeCommand);
    p.button->setCaption(QString::fromLatin1(kDrumPads[static_cast<std::size_t>(n - 1)].caption));
    p.button->setBackColor(kIdleColor);
    p.button->setFont(widgets::smallFont(6));
    p.button->DelayDrawing(false);
    connect(p.button, &widgets::zqButtons_H::Click, this, [this, n] { cmdDrum_Click(n); });

    // Precise timers: coarse ones may fire up to 5% off, which a steady beat cannot afford.
    p.timer = new QTimer(this);
    p.timer->setObjectName(QStringLiteral("tmrDrum%1").arg(n));
    p.timer->setTimerType(Qt::PreciseTimer);
    p.timer->setInterval(kInitialInterval);
    connect(p.timer, &QTimer::timeout, this, [this, n] { tmrDrum_Timer(n); });

    p.spinner = new RateSpinner(surface);
    p.spinner->setObjectName(QStringLiteral("scrDrum%1").arg(n));
    const SpinnerPlace at = spinnerPlace(n);
    p.spinner->setGeometry(
        widgets::placedTwipsToPixels(at.left, at.top, kSpinnerWidth, kSpinnerHeight));
    p.spinner->setRange(1, 8);
    p.spinner->setSingleStep(1);
    p.spinner->setPageStep(1);
    p.spinner->setValue(1);
    p.spinner->setAccessibleName(p.button->Caption() + QStringLiteral(" rate"));
    connect(p.spinner, &QAbstractSlider::valueChanged, this, [this, n] { scrDrum_Change(n); });

    p.label = design.get<QLabel>(QStringLiteral("lblDrum%1").arg(n));
    p.label->setFont(widgets::smallFont(6));
    p.label->setToolTip(QStringLiteral("Drum Rate"));
    p.label->setAccessibleName(p.button->Caption() + QStringLiteral(" rate value"));
  }
}

DrumPads::Pad* DrumPads::pad(int n) {
  if (n < 1 || n > kPadCount) return nullptr;
  return &pads_[static_cast<std::size_t>(n - 1)];
}

const DrumPads::Pad* DrumPads::pad(int n) const {
  if (n < 1 || n > kPadCount) return nullptr;
  return &pads_[static_cast<std::size_t>(n - 1)];
}

widgets::zqButtons_H* DrumPads::cmdDrum(int n) const { return pad(n) ? pad(n)->button : nullptr; }
QTimer* DrumPads::tmrDrum(int n) const { return pad(n) ? pad(n)->timer : nullptr; }
RateSpinner* DrumPads::scrDrum(int n) const { return pad(n) ? pad(n)->spinner : nullptr; }
QLabel* DrumPads::lblDrum(int n) const { return pad(n) ? pad(n)->label : nullptr; }
bool DrumPads::playDrum(int n) const { return pad(n) && pad(n)->playing; }

void DrumPads::StopAllDrums() {
  for (Pad& p : pads_) p.timer->stop();
  for (Pad& p : pads_) p.playing = false;
}

void DrumPads::PauseRepeats(bool paused) {
  for (Pad& p : pads_) {
    if (!p.playing) continue;
    if (paused) p.timer->stop();
    else p.timer->start();
  }
}

void DrumPads::cmdDrum_Click(int n) {
  Pad* p = pad(n);
  if (!p) return;
  midi_.ClaimForLivePlay();
  // The click itself is silent: the first hit comes one interval later.
  if (!p->playing) {
    p->timer->start();
    p->playing = true;
    p->button->setBackColor(kRepeatingColor);
  } else {
    p->timer->stop();
    p->playing = false;
    p->button->setBackColor(kIdleColor);
  }
}

void DrumPads::scrDrum_Change(int n) {
  Pad* p = pad(n);
  if (!p) return;
  const int v = p->spinner->value();
  // A running timer keeps going at the new interval (QTimer restarts its period from now).
  p->timer->setInterval(v * kIntervalStep);
  p->label->setText(QString::number(9 - v));
}

void DrumPads::tmrDrum_Timer(int n) {
  if (n < 1 || n > kPadCount) return;
  midi_.SetDrumSound(static_cast<std::int16_t>(kDrumPads[static_cast<std::size_t>(n - 1)].drumSoundCode));
  midi_.PlayDrum();
}

}  // namespace tonalix::drums

#include "midi/DeviceMenu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <cstring>

#include "midi/MidiState.h"

namespace tonalix {

using namespace platform;

DeviceMenu::DeviceMenu(MidiState& midi, QMenuBar* menuBar)
    : QObject(menuBar), midi_(midi), menu_(menuBar->addMenu(QStringLiteral("&Midi Device"))) {
  for (int i = 0; i < kItems; ++i) {
    QAction* item = menu_->addAction(QString());
    item->setCheckable(true);
    item->setVisible(i == 0);
    item->setEnabled(i == 0);
    connect(item, &QAction::triggered, this, [this, i] { device_Click(i); });
    items_[static_cast<std::size_t>(i)] = item;
  }
}

QAction* DeviceMenu::device(int index) const {
  if (index < 0 || index >= kItems) return nullptr;
  return items_[static_cast<std::size_t>(index)];
}

void DeviceMenu::Fill() {
  items_[0]->setText(QStringLiteral("MIDI Mapper"));
  items_[0]->setVisible(true);
  items_[0]->setEnabled(true);
  deviceCount_ = static_cast<std::int32_t>(midiOutGetNumDevs());
  for (std::int32_t id = 0; id < deviceCount_ && id + 1 < kItems; ++id) {
    MIDIOUTCAPSA caps{};
    (void)midiOutGetDevCapsA(static_cast<std::uint32_t>(id), &caps, sizeof caps);
    // The name ends at its first zero, and never runs past the 32-character field.
    const auto len = static_cast<qsizetype>(strnlen(caps.szPname, sizeof caps.szPname));
    QAction* item = items_[static_cast<std::size_t>(id + 1)];
    item->setText(QString::fromLocal8Bit(caps.szPname, len));
    item->setVisible(true);
    item->setEnabled(true);
  }
  items_[0]->setChecked(true);
}

void DeviceMenu::device_Click(int n) {
  if (n < 0 || n >= kItems) return;
  if (QAction* previous = device(midi_.SelectedDevice() + 1)) previous->setChecked(false);
  items_[static_cast<std::size_t>(n)]->setChecked(true);
  if (midi_.SwitchDevice(static_cast<std::int16_t>(n - 1))) emit DeviceChanged();
}

}  // namespace tonalix

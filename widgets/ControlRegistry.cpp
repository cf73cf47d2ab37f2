#include "widgets/ControlRegistry.h"

#include "widgets/DesignLabel.h"
#include "widgets/bvlBUTTON.h"
#include "widgets/zqButtons_H.h"
#include "widgets/zykProgressBar.h"
#include "widgets/zykSlider.h"

namespace tonalix::widgets {

void ControlRegistry::add(ControlType type) { types_.insert(type.name, std::move(type)); }

const ControlType* ControlRegistry::find(const QString& name) const {
  auto it = types_.constFind(name);
  return it == types_.constEnd() ? nullptr : &it.value();
}

const ControlRegistry& ControlRegistry::standard() {
  static const ControlRegistry registry = [] {
    ControlRegistry r;
    r.add({QStringLiteral("zykSlider"), [](QWidget* parent) -> QWidget* { return new zykSlider(parent); },
           {{QStringLiteral("BackColor"), ValueKind::Color},
            {QStringLiteral("SliderIcon"), ValueKind::Picture},
            {QStringLiteral("RailPicture"), ValueKind::Picture}}});
    r.add({QStringLiteral("zykProgressBar"), [](QWidget* parent) -> QWidget* { return new zykProgressBar(parent); },
           {{QStringLiteral("FontColor"), ValueKind::Color},
            {QStringLiteral("BarPicture"), ValueKind::Picture},
            {QStringLiteral("BarPictureBack"), ValueKind::Picture},
            {QStringLiteral("MouseIcon"), ValueKind::Picture}}});
    r.add({QStringLiteral("zqButtons_H"), [](QWidget* parent) -> QWidget* { return new zqButtons_H(parent); },
           {{QStringLiteral("cFore"), ValueKind::Color},
            {QStringLiteral("cBack"), ValueKind::Color},
            {QStringLiteral("cFHover"), ValueKind::Color},
            {QStringLiteral("cBHover"), ValueKind::Color},
            {QStringLiteral("cGradient"), ValueKind::Color},
            {QStringLiteral("Image"), ValueKind::Picture},
            {QStringLiteral("mIcon"), ValueKind::Picture}}});
    r.add({QStringLiteral("bvlBUTTON"), [](QWidget* parent) -> QWidget* { return new bvlBUTTON(parent); },
           {{QStringLiteral("BackColour"), ValueKind::Color},
            {QStringLiteral("CaptionColour"), ValueKind::Color},
            {QStringLiteral("CaptionHoverColour"), ValueKind::Color},
            {QStringLiteral("Transparency"), ValueKind::Color},
            {QStringLiteral("Picture"), ValueKind::Picture},
            {QStringLiteral("PictureHover"), ValueKind::Picture},
            {QStringLiteral("MouseIcon"), ValueKind::Picture}}});
    r.add({QStringLiteral("Label"), [](QWidget* parent) -> QWidget* { return new DesignLabel(parent); },
           {{QStringLiteral("ForeColor"), ValueKind::Color}, {QStringLiteral("BackColor"), ValueKind::Color}}});
    return r;
  }();
  return registry;
}

}  // namespace tonalix::widgets

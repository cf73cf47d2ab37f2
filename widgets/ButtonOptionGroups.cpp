#include "widgets/ButtonOptionGroups.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QVariant>

#include "widgets/zqButtons_H.h"

namespace tonalix::widgets {

namespace {
constexpr char kCountName[] = "zq_OptCount";

QByteArray memberName(int number) { return "zq_Obj" + QByteArray::number(number); }
}  // namespace

int ButtonOptionGroups::count(const QObject* container) {
  if (!container) return 0;
  const QVariant stored = container->property(kCountName);
  return stored.isValid() ? stored.toInt() : 0;
}

zqButtons_H* ButtonOptionGroups::member(const QObject* container, int number) {
  if (number < 1 || number > count(container)) return nullptr;
  const auto ref = container->property(memberName(number).constData()).value<QPointer<QObject>>();
  return qobject_cast<zqButtons_H*>(ref.data());
}

QList<zqButtons_H*> ButtonOptionGroups::members(const QObject* container) {
  QList<zqButtons_H*> list;
  const int n = count(container);
  for (int i = 1; i <= n; ++i)
    if (zqButtons_H* b = member(container, i)) list.append(b);
  return list;
}

bool ButtonOptionGroups::contains(const QObject* container, const zqButtons_H* button) {
  return button && members(container).contains(button);
}

void ButtonOptionGroups::join(QObject* container, zqButtons_H* button) {
  if (!container || !button) return;
  QList<zqButtons_H*> list = members(container);
  if (list.contains(button)) return;
  list.append(button);
  store(container, list);
}

void ButtonOptionGroups::leave(QObject* container, const zqButtons_H* button) {
  if (!container || !button) return;
  QList<zqButtons_H*> list = members(container);
  if (list.removeAll(const_cast<zqButtons_H*>(button)) == 0 && list.size() == count(container))
    return;
  store(container, list);
}

// Rewrites the whole group so the numbers stay 1..N; also drops entries whose button is gone.
void ButtonOptionGroups::store(QObject* container, const QList<zqButtons_H*>& list) {
  const int old = count(container);
  for (int i = list.size() + 1; i <= old; ++i)
    container->setProperty(memberName(i).constData(), QVariant());
  for (int i = 0; i < list.size(); ++i) {
    const QPointer<QObject> ref(list[i]);
    container->setProperty(memberName(i + 1).constData(), QVariant::fromValue(ref));
  }
  container->setProperty(kCountName, list.isEmpty() ? QVariant() : QVariant(int(list.size())));
}

}  // namespace tonalix::widgets

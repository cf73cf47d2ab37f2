// The option buttons that share a container form one group: selecting one clears the others.
// The group lives on the container as named properties, "zq_OptCount" (absent when the
// group is empty) and "zq_Obj1".."zq_ObjN" numbered without gaps. The entries are weak
// references, so a destroyed button can never be reached through the group.
#pragma once

#include <QList>

class QObject;

namespace tonalix::widgets {

class zqButtons_H;

class ButtonOptionGroups {
 public:
  // Number of members; 0 for a container without a group or no container at all.
  static int count(const QObject* container);
  // Member by number, 1..count; null when out of range.
  static zqButtons_H* member(const QObject* container, int number);
  static QList<zqButtons_H*> members(const QObject* container);
  static bool contains(const QObject* container, const zqButtons_H* button);

  // Adds the button as the new last member; a button already in the group stays where it is.
  static void join(QObject* container, zqButtons_H* button);
  // Removes the button; later members move down one number.
  static void leave(QObject* container, const zqButtons_H* button);

 private:
  static void store(QObject* container, const QList<zqButtons_H*>& members);
};

}  // namespace tonalix::widgets

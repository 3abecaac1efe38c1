// File > Open Recent: the frames opened last, then their folders, listed
// afresh each time the menu opens, with the ones that are gone left out.
#pragma once

#include <functional>
#include <string>

#include <QObject>

#include "app/remembered_settings.h"

class QMenu;

namespace vantorel {

class RecentMenu : public QObject {
  Q_OBJECT
 public:
  // Keeps its lists in remembered; open opens a chosen path (a frame, or a
  // folder's first frame), changed tells that the lists changed.
  RecentMenu(QMenu& menu, RememberedSettings& remembered, std::function<void(const std::string&)> open,
             std::function<void()> changed);

  // A frame was opened: it and its folder go first.
  void Note(const std::string& framePath);

 private:
  void Fill();

  QMenu& menu_;
  RememberedSettings& remembered_;
  std::function<void(const std::string&)> open_;
  std::function<void()> changed_;
};

}  // namespace vantorel

#include "app/ui/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <cmath>

#include "app/core/FormPlacement.h"
#include "platform/Registry.h"

std::string FormPlacementSection(const QWidget& form)
{
  const QScreen* screen = form.screen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  unsigned width = 0, height = 0;
  if (screen) {
    // Device pixels, as the screen's resolution is known to the user.
    const qreal ratio = screen->devicePixelRatio();
    width = static_cast<unsigned>(std::lround(screen->size().width() * ratio));
    height = static_cast<unsigned>(std::lround(screen->size().height() * ratio));
  }
  return FormPlacementSection(form.objectName().toStdString(), width, height);
}

bool IsResizable(const QWidget& form) { return form.minimumSize() != form.maximumSize(); }

bool IsShiftHeld() { return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier); }

void LoadFormPlacement(QWidget& form, const RegistryIniFile& store) { LoadFormPlacement(form, store, IsShiftHeld()); }

void LoadFormPlacement(QWidget& form, const RegistryIniFile& store, bool skip)
{
  if (skip) return;
  const bool resizable = IsResizable(form);
  const StoredPlacement stored = ReadFormPlacement(store, FormPlacementSection(form), resizable);
  // The client area's bounds, as they were saved.
  QRect bounds = form.geometry();
  const bool placed = stored.left || stored.top;
  bounds.moveTo(stored.left.value_or(bounds.x()), stored.top.value_or(bounds.y()));
  if (resizable) bounds.setSize(QSize(stored.width.value_or(bounds.width()), stored.height.value_or(bounds.height())));
  // Moving a dialog marks it as placed, so it is no longer centred on its owner: only a
  // stored position does that.
  if (placed) form.setGeometry(bounds);
  else if (bounds.size() != form.size()) form.resize(bounds.size());
  if (resizable && stored.maximized) form.setWindowState(form.windowState() | Qt::WindowMaximized);
}

void SaveFormPlacement(const QWidget& form, TRegistryIniFile& store)
{
  if (!form.windowHandle()) return;
  const QRect bounds = form.normalGeometry();
  if (!bounds.isValid()) return;
  const FormPlacement placement{bounds.x(), bounds.y(), bounds.width(), bounds.height(), form.isMaximized()};
  WriteFormPlacement(store, FormPlacementSection(form), placement, IsResizable(form));
}

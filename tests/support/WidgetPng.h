// Pictures of widgets for a person to look at: rendered offscreen into a PNG under the artifacts
// folder. For the widget suites (it needs Qt).
#pragma once

#include <gtest/gtest.h>

#include <QPixmap>
#include <QWidget>
#include <string>

#include "TestSupport.h"

namespace testsupport {

// w rendered at the device-pixel ratio on white into ArtifactDir()/name; a failed write fails the test.
inline void SaveWidgetPng(const std::string& name, QWidget* w, qreal ratio = 1) {
  QPixmap pixmap(w->size() * ratio);
  pixmap.setDevicePixelRatio(ratio);
  pixmap.fill(Qt::white);
  w->render(&pixmap);
  const std::string path = ArtifactDir() + "/" + name;
  EXPECT_TRUE(pixmap.save(QString::fromStdString(path))) << path;
}

}  // namespace testsupport

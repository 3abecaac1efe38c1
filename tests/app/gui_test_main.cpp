#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <QApplication>

int main(int argc, char** argv) {
  // GUI tests never need a display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Nor the user's settings: a store of their own, emptied before each window.
  std::string configHome = "/tmp/vantorel-gui-tests-XXXXXX";
  if (::mkdtemp(configHome.data())) qputenv("XDG_CONFIG_HOME", configHome.c_str());
  QApplication app(argc, argv);
  QApplication::setOrganizationName("Vantorel");
  QApplication::setApplicationName("Vantorel");
  ::testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  std::error_code ignored;
  std::filesystem::remove_all(configHome, ignored);
  return result;
}

// View > Frames over the folder of the frame on screen: opening from the grid
// and the highlight following browsing.
#include <sys/stat.h>

#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QPushButton>

#include "app/frames_dock.h"
#include "catalogue/catalogue.h"
#include "form_harness.h"

namespace vantorel::testing {
namespace {

class FramesDockTest : public FormTest {
 protected:
  void SetUp() override {
    qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(dir / "cache"));
    FormTest::SetUp();
  }
  void TearDown() override { qunsetenv("XDG_CACHE_HOME"); }
  FramesDock& Dock() const { return form->Frames(); }
  QListView& View() const { return Dock().View(); }
  QString Highlighted() const {
    return View().selectionModel()->selectedIndexes().value(0).data().toString().section('\n', 0, 0);
  }
  QModelIndex Row(const QString& name) const {
    for (int row = 0; row < View().model()->rowCount(); ++row)
      if (View().model()->index(row, 0).data().toString().startsWith(name + "\n")) return View().model()->index(row, 0);
    return {};
  }
};

TEST_F(FramesDockTest, OpensADoubleClickedFrameAndFollowsBrowsing) {
  for (const char* name : {"a.001", "b.001", "c.001"}) WriteFrame(name);
  WriteFrame("notes.txt", {'n', 'o'});
  ::mkfifo((dir / "pipe.001").c_str(), 0600);
  Open(dir / "a.001");
  ASSERT_TRUE(Dock().isHidden());
  Action("Frames1")->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return View().model()->rowCount() == 5 && Dock().ThumbnailsToMake() == 0; }));
  EXPECT_EQ(Highlighted(), "a.001");

  const QRect cell = View().visualRect(Row("c.001"));
  // A widget's double click in QTest is the second press alone.
  QTest::mouseClick(View().viewport(), Qt::LeftButton, {}, cell.center());
  QTest::mouseDClick(View().viewport(), Qt::LeftButton, {}, cell.center());
  EXPECT_EQ(Caption(), "c.001");
  EXPECT_EQ(Memo(), "3/3");
  EXPECT_EQ(Highlighted(), "c.001");

  Click("FileTylBtn");
  EXPECT_EQ(Caption(), "b.001");
  EXPECT_EQ(Highlighted(), "b.001");

  View().setCurrentIndex(Row("a.001"));
  QTest::keyClick(&View(), Qt::Key_Return);
  EXPECT_EQ(Caption(), "a.001");
  EXPECT_EQ(Highlighted(), "a.001");
  // Selecting another leaves the frame on screen marked.
  QTest::mouseClick(View().viewport(), Qt::LeftButton, {}, cell.center());
  EXPECT_EQ(Highlighted(), "c.001");
  EXPECT_TRUE(Row("a.001").data(Qt::FontRole).value<QFont>().bold());
  EXPECT_FALSE(Row("c.001").data(Qt::FontRole).value<QFont>().bold());
}

TEST_F(FramesDockTest, ListsACatalogueChosenThenTheFolderAgain) {
  for (const char* name : {"a.001", "b.001"}) WriteFrame(name);
  std::filesystem::create_directory(dir / "catalogue");
  const std::string notCatalogue = WriteFrame("catalogue/notes.txt", {'n', 'o'});
  {
    Catalogue catalogue(dir / "catalogue/frames.db", Catalogue::Access::Update);
    UpdateCatalogue(catalogue, {dir / "a.001"});
  }
  Open(dir / "b.001");
  Action("Frames1")->trigger();
  const auto listed = [&](int rows) {
    return QTest::qWaitFor([&] { return !Dock().Listing() && View().model()->rowCount() == rows; });
  };
  ASSERT_TRUE(listed(2));

  const auto choose = [&](const std::string& chosen) {
    dialogs.FileAnswers.push_back(QString::fromStdString(chosen));
    QTest::mouseClick(form->findChild<QPushButton*>("FramesChooseCatalogue"), Qt::LeftButton);
  };
  choose(notCatalogue);
  ASSERT_TRUE(listed(0));
  EXPECT_TRUE(form->findChild<QLabel*>("FramesStatus")->text().contains("notes.txt"));
  choose(dir / "catalogue/frames.db");
  ASSERT_TRUE(listed(1));
  EXPECT_TRUE(Row("a.001").isValid());
  EXPECT_EQ(Highlighted(), "");  // the frame on screen is not in the catalogue

  CloseImageWindow();
  auto* source = form->findChild<QComboBox*>("FramesSource");
  source->setCurrentIndex(0);
  emit source->activated(0);
  ASSERT_TRUE(listed(2));
}

}  // namespace
}  // namespace vantorel::testing

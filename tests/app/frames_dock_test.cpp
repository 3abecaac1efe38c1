// View > Frames over the folder of the frame on screen: opening from the grid
// and the highlight following browsing.
#include <sys/stat.h>

#include <QListView>

#include "app/frames_dock.h"
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
}

}  // namespace
}  // namespace vantorel::testing

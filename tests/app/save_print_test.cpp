// Save As (BMP and FITS through an atomic write) and printing to a PDF file.
#include <QIODevice>
#include <QPainter>
#include <QRegularExpression>

#include "output/fits_file.h"
#include "form_harness.h"

namespace vantorel::testing {
namespace {

enum class Written { Bmp, Fits, Nothing };

class SaveAsTest : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    WriteBytes(dir / "frame.001", Mariner10Frame());
    ASSERT_NE(Open(dir / "frame.001"), nullptr);
    dialogs.StartDirectories.clear();
  }
  // Save As from the tool button, the dialog answering name.
  void SaveAs(const std::string& name) {
    dialogs.FileAnswers.push_back(QString::fromStdString(name));
    Click("FileSaveBtn");
  }
  std::vector<std::uint8_t> ExpectedFits() const {
    return BuildFitsFile(form->Viewer().LabelCards(), form->Viewer().FitsPlane());
  }
};

TEST_F(SaveAsTest, TheExtensionDecidesWhatIsWritten) {
  const struct {
    const char* typed;
    const char* saved;
    Written written;
  } cases[] = {
      {"a.bmp", "a.bmp", Written::Bmp},     {"b.Bmp", "b.Bmp", Written::Bmp},     {"c.BMP", "c.BMP", Written::Bmp},
      {"plain", "plain.bmp", Written::Bmp}, {"d.fit", "d.fit", Written::Fits},   {"e.FIT", "e.FIT", Written::Fits},
      {"f.fits", "f.fits", Written::Fits},  {"g.Fits", "g.Fits", Written::Fits}, {"h.fts", "h.fts", Written::Nothing},
      {"i.jpg", "i.jpg", Written::Nothing},
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(item.typed);
    dialogs.Informations.clear();
    SaveAs(dir / item.typed);
    const std::string saved = dir / item.saved;
    EXPECT_TRUE(dialogs.Errors.empty());
    switch (item.written) {
      case Written::Bmp: {
        const std::vector<std::uint8_t> bytes = ReadBytes(saved);
        EXPECT_EQ(bytes, ShownBmp());
        EXPECT_EQ(bytes.size(), BmpFileBytes);
        EXPECT_EQ(QImage(QString::fromStdString(saved)).size(), QSize(832, 700));
        EXPECT_TRUE(dialogs.Informations.empty());
        break;
      }
      case Written::Fits: {
        const std::vector<std::uint8_t> bytes = ReadBytes(saved);
        ASSERT_EQ(bytes.size(), 585'280u);
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "SIMPLE");
        EXPECT_TRUE(std::equal(bytes.begin() + 2880, bytes.end(), form->Viewer().FitsPlane().begin()));
        EXPECT_TRUE(dialogs.Informations.empty());
        break;
      }
      case Written::Nothing:
        EXPECT_FALSE(std::filesystem::exists(saved));
        ASSERT_EQ(dialogs.Informations.size(), 1u);
        EXPECT_TRUE(dialogs.Informations[0].contains(".bmp, .fit or .fits"));
        EXPECT_TRUE(dialogs.Informations[0].contains(item.typed));
        break;
    }
  }
}

TEST_F(SaveAsTest, TheSaveDialogAsksForANewOrExistingName) {
  QFileDialog& dialog = form->SaveDialog();
  EXPECT_EQ(dialog.objectName(), "SavePictureDialog");
  EXPECT_EQ(dialog.windowTitle(), "Save image");
  EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
  EXPECT_EQ(dialog.defaultSuffix(), "bmp");
  EXPECT_EQ(dialog.nameFilters(), QStringList({"*.bmp", "*.fit"}));
  EXPECT_FALSE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
  EXPECT_NE(dialog.fileMode(), QFileDialog::ExistingFile);
  EXPECT_NE(dialog.fileMode(), QFileDialog::ExistingFiles);
}

TEST_F(SaveAsTest, CancelWritesNothingAndTheMenuItemSavesToo) {
  auto entries = [&] { return std::distance(std::filesystem::directory_iterator(dir.Path()), {}); };
  const auto before = entries();
  Trigger("SaveAs1");  // no answer: cancelled
  EXPECT_EQ(dialogs.FileDialogsShown, 2);
  EXPECT_EQ(entries(), before);
  EXPECT_TRUE(dialogs.Informations.empty());
  dialogs.FileAnswers.push_back(QString::fromStdString(dir / "menu.fit"));
  Trigger("SaveAs1");
  EXPECT_EQ(ReadBytes(dir / "menu.fit"), ExpectedFits());
}

TEST_F(SaveAsTest, SavingOverALongerFileLeavesExactlyTheNewBytes) {
  for (const char* name : {"old.bmp", "old.fit"}) {
    SCOPED_TRACE(name);
    WriteBytes(dir / name, std::vector<std::uint8_t>(3'000'000, 0xAB));
    SaveAs(dir / name);
    EXPECT_EQ(ReadBytes(dir / name), std::string(name) == "old.bmp" ? ShownBmp() : ExpectedFits());
  }
}

TEST_F(SaveAsTest, ASaveThatCannotWriteReportsAndKeepsThePreviousFile) {
  const std::vector<std::uint8_t> previous(1000, 0x5A);
  WriteBytes(dir / "regular.txt", previous);
  std::filesystem::create_directory(dir.Path() / "taken.bmp");
  const std::string targets[] = {dir / "no-such-folder/x.bmp", dir / "regular.txt/x.fit", dir / "taken.bmp"};
  for (const std::string& target : targets) {
    SCOPED_TRACE(target);
    dialogs.Errors.clear();
    SaveAs(target);
    ASSERT_EQ(dialogs.Errors.size(), 1u);
    EXPECT_TRUE(dialogs.Errors[0].startsWith("Could not save " + QString::fromStdString(target) + ": "))
        << dialogs.Errors[0].toStdString();
  }
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "no-such-folder"));
  EXPECT_EQ(ReadBytes(dir / "regular.txt"), previous);
  EXPECT_TRUE(std::filesystem::is_directory(dir.Path() / "taken.bmp"));
}

TEST_F(SaveAsTest, AWriteFailingMidwayKeepsThePreviousFile) {
  const std::vector<std::uint8_t> previous(5000, 0x33);
  WriteBytes(dir / "kept.fit", previous);
  WriteBytes(dir / "kept.bmp", previous);

  form->SetChunkWriter([](QIODevice& device, std::span<const std::uint8_t> chunk) {
    device.write(reinterpret_cast<const char*>(chunk.data()), qint64(chunk.size() / 2));
    return false;
  });
  SaveAs(dir / "kept.fit");
  SaveAs(dir / "kept.bmp");
  ASSERT_EQ(dialogs.Errors.size(), 2u);
  EXPECT_TRUE(dialogs.Errors[0].contains("kept.fit"));
  EXPECT_EQ(ReadBytes(dir / "kept.fit"), previous);
  EXPECT_EQ(ReadBytes(dir / "kept.bmp"), previous);

  // An exception out of the save is shown, and the program goes on.
  form->SetChunkWriter([](QIODevice&, std::span<const std::uint8_t>) -> bool { throw std::bad_alloc(); });
  SaveAs(dir / "kept.fit");
  ASSERT_EQ(dialogs.Errors.size(), 3u);
  EXPECT_TRUE(dialogs.Errors[2].contains("bad_alloc"));
  EXPECT_EQ(ReadBytes(dir / "kept.fit"), previous);
  EXPECT_TRUE(Button("FileSaveBtn")->isEnabled());

  form->SetChunkWriter({});
  SaveAs(dir / "kept.fit");
  EXPECT_EQ(ReadBytes(dir / "kept.fit"), ExpectedFits());
}

// Counts the page objects of a PDF file ("/Type /Page", not "/Type /Pages").
int PdfPageCount(const std::vector<std::uint8_t>& pdf) {
  const QByteArray bytes(reinterpret_cast<const char*>(pdf.data()), qsizetype(pdf.size()));
  static const QRegularExpression page(R"(/Type\s*/Page(?![a-zA-Z]))");
  int count = 0;
  for (auto it = page.globalMatch(QString::fromLatin1(bytes)); it.hasNext(); it.next()) ++count;
  return count;
}

class PrintTest : public SaveAsTest {
 protected:
  void SetUp() override {
    SaveAsTest::SetUp();
    form->Printer().setOutputFormat(QPrinter::PdfFormat);
    form->Printer().setOutputFileName(QString::fromStdString(pdf));
  }
  std::string pdf = dir / "page.pdf";
};

TEST_F(PrintTest, PrintsOnePageAfterTheDialogConfirms) {
  Click("ToolButton17");
  EXPECT_EQ(dialogs.PrintDialogsShown, 1);
  ASSERT_TRUE(std::filesystem::exists(pdf));
  const std::vector<std::uint8_t> bytes = ReadBytes(pdf);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "%PDF");
  EXPECT_EQ(PdfPageCount(bytes), 1);
  EXPECT_TRUE(dialogs.Errors.empty());
}

TEST_F(PrintTest, CancelledDialogPrintsNothing) {
  dialogs.PrintConfirmed = false;
  Trigger("Print1");
  EXPECT_EQ(dialogs.PrintDialogsShown, 1);
  EXPECT_FALSE(std::filesystem::exists(pdf));
}

TEST_F(PrintTest, TheDocumentEndsAlsoWhenDrawingFails) {
  QRect target;
  form->SetPictureDrawer([&](QPainter&, const QRect& rect, const QImage&) {
    target = rect;
    throw std::runtime_error("drawing broke");
  });
  Trigger("Print1");
  ASSERT_EQ(dialogs.Errors.size(), 1u);
  EXPECT_TRUE(dialogs.Errors[0].contains("drawing broke"));
  // A finished PDF ends with its trailer.
  const std::vector<std::uint8_t> bytes = ReadBytes(pdf);
  const std::string tail(bytes.end() - std::min<std::size_t>(bytes.size(), 32), bytes.end());
  EXPECT_NE(tail.find("%%EOF"), std::string::npos);
  // The page is wider than the bitmap: the picture spans the page width.
  EXPECT_EQ(target.topLeft(), QPoint(0, 0));
  EXPECT_EQ(target.width(), form->Printer().width());
}

TEST_F(PrintTest, PrintSetupUsesTheSamePrinter) {
  Trigger("PrintSetup1");
  EXPECT_EQ(dialogs.PageSetupsShown, 1);
  EXPECT_EQ(dialogs.PageSetupPrinter, &form->Printer());
}

TEST_F(PrintTest, APrinterThatCannotStartReportsIt) {
  form->Printer().setOutputFileName(QString::fromStdString(dir / "no-such-folder/page.pdf"));
  Click("ToolButton17");
  ASSERT_EQ(dialogs.Errors.size(), 1u);
  EXPECT_TRUE(dialogs.Errors[0].startsWith("Print failed: "));
}

}  // namespace
}  // namespace vantorel::testing

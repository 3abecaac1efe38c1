// Save As (BMP, PNG and FITS through an atomic write, never over the frame on
// screen), printing to a PDF file, and the command line writing the same PNG
// and FITS files as the window.
#include <unistd.h>

#include <sstream>

#include <QComboBox>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QProcess>
#include <QProgressDialog>
#include <QRegularExpression>

#include "cli/render_command.h"
#include "form_harness.h"
#include "output/fits_file.h"

namespace vantorel::testing {
namespace {

class SaveAsTest : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    ASSERT_NE(Open(WriteFrame("frame.001")), nullptr);
  }
  // Saves as path, with the dialog's entry of that filter chosen first when one is given.
  void SaveAs(const std::string& path, const char* filter = nullptr) {
    dialogs.FileAnswers.push_back(QString::fromStdString(path));
    if (filter) {
      dialogs.FileDialogUser = [this, filter](QFileDialog& dialog) {
        dialog.selectNameFilter(filter);
        dialogs.FileDialogUser = nullptr;
        return dialogs.ChooseFile(dialog);
      };
    }
    Click("FileSaveBtn");
  }
  // Every later write stops halfway through its chunk without an error.
  void WritesStopHalfway() {
    form->SetChunkWriter([](int fd, std::span<const std::uint8_t> chunk) {
      [[maybe_unused]] const ssize_t written = ::write(fd, chunk.data(), chunk.size() / 2);
      return false;
    });
  }
};

using AnimationExportTest = FormTest;

TEST_F(AnimationExportTest, WritesTheFolderAtTheChosenSizeWithTheProgressFinished) {
  for (const char* name : {"a.001", "b.001", "c.001"}) WriteFrame(name);
  ASSERT_NE(Open(dir / "b.001"), nullptr);
  dialogs.ModalUser = [](QDialog& dialog) {
    dialog.findChild<QComboBox*>("AnimationSize")->setCurrentIndex(1);
    return int(QDialog::Accepted);
  };
  dialogs.FileAnswers.push_back(QString::fromStdString(dir / "movie"));  // the format's extension is added
  Action("ExportAnimation1")->trigger();
  EXPECT_TRUE(dialogs.Errors.empty());
  const std::vector<std::uint8_t> apng = ReadBytes(dir / "movie.png");
  const auto decoded = DecodePng(apng);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(QSize(decoded->Width, decoded->Height), QSize(416, 350));
  // The animation control chunk's frame count, after the signature and the header chunk.
  ASSERT_GT(apng.size(), 45u);
  EXPECT_EQ(std::string(apng.begin() + 37, apng.begin() + 41), "acTL");
  EXPECT_EQ(apng[41] << 24 | apng[42] << 16 | apng[43] << 8 | apng[44], 3);
  const auto* progress = form->findChild<QProgressDialog*>("AnimationProgress");
  ASSERT_NE(progress, nullptr);
  EXPECT_EQ(progress->maximum(), 3);
  EXPECT_EQ(progress->value(), 3);
  EXPECT_FALSE(progress->isVisible());
}

TEST_F(SaveAsTest, TheExtensionDecidesWhatIsWritten) {
  enum Written { Bmp, Png, Fits, StandardFits, Nothing };
  const std::pair<const char*, Written> cases[] = {{"a.bmp", Bmp},           {"c.BMP", Bmp},     {"d.fit", Fits},
                                                   {"f.fits", StandardFits}, {"h.fts", Nothing}, {"j.png", Png}};
  // Saving over a longer file leaves exactly the new bytes.
  for (const char* name : {"a.bmp", "d.fit"}) WriteBytes(dir / name, std::vector<std::uint8_t>(3'000'000, 0xAB));
  for (const auto& [name, written] : cases) {
    SCOPED_TRACE(name);
    dialogs.Informations.clear();
    SaveAs(dir / name);
    EXPECT_EQ(std::filesystem::exists(dir / name), written != Nothing);
    EXPECT_EQ(dialogs.Informations.size(), written == Nothing ? 1u : 0u);
    if (written == Bmp) {
      EXPECT_EQ(ReadBytes(dir / name), ShownBmp());
    } else if (written == Png) {
      const auto png = DecodePng(ReadBytes(dir / name));
      ASSERT_TRUE(png);
      EXPECT_TRUE(png->Rgb == BmpAsRgb(ShownBmp()));
    } else if (written == Fits) {
      const std::vector<std::uint8_t> bytes = ReadBytes(dir / name);
      ASSERT_EQ(bytes.size(), 585'280u);
      EXPECT_TRUE(std::equal(bytes.begin() + 2880, bytes.end(), form->Viewer().Document().FitsPlane().begin()));
    } else if (!dialogs.Informations.empty()) {
      EXPECT_TRUE(dialogs.Informations[0].contains(".bmp, .png, .fit or .fits"));
    }
  }
  EXPECT_TRUE(dialogs.Errors.empty());

  QFileDialog& dialog = form->SaveDialog();
  EXPECT_EQ(dialog.windowTitle(), "Save image");
  EXPECT_EQ(dialog.defaultSuffix(), "bmp");
  EXPECT_EQ(dialog.nameFilters(), QStringList({"BMP image (*.bmp)", "FITS, 36-card layout (*.fit)",
                                               "FITS, standard (*.fits)", "PNG image (*.png)"}));
}

// A name typed without an extension gets the one of the chosen entry, and
// .bmp again under the *.fit entry.
TEST_F(SaveAsTest, ANameTypedWithoutExtensionGetsThatOfTheChosenEntry) {
  std::vector<QString> saved;
  dialogs.FileDialogUser = [&](QFileDialog& dialog) -> std::optional<QString> {
    dialog.setDirectory(QString::fromStdString(dir.Path().string()));
    dialog.show();
    if (!QTest::qWaitForWindowActive(&dialog)) return std::nullopt;
    auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
    auto* name = dialog.findChild<QLineEdit*>("fileNameEdit");
    if (!types || !name) return std::nullopt;
    // The PNG entry, then standard FITS, then *.fit.
    QTest::keyClick(types, saved.empty() ? Qt::Key_End : Qt::Key_Up);
    name->setText(QString("typed%1").arg(saved.size()));
    QTest::keyClick(name, Qt::Key_Return);
    if (dialog.isVisible() || dialog.result() != QDialog::Accepted) return std::nullopt;
    saved.push_back(dialog.selectedFiles().value(0));
    return saved.back();
  };
  for (int i = 0; i < 3; ++i) Click("FileSaveBtn");
  ASSERT_EQ(saved.size(), 3u);
  EXPECT_TRUE(saved[0].endsWith("/typed0.png")) << saved[0].toStdString();
  EXPECT_TRUE(saved[1].endsWith("/typed1.fits")) << saved[1].toStdString();
  EXPECT_TRUE(saved[2].endsWith("/typed2.bmp")) << saved[2].toStdString();
  EXPECT_TRUE(DecodePng(ReadBytes(dir / "typed0.png")));
  const std::vector<std::uint8_t> fits = ReadBytes(dir / "typed1.fits");
  EXPECT_NE(std::string(fits.begin(), fits.end()).find("EXTNAME = 'ENGHDR  '"), std::string::npos);
  EXPECT_EQ(ReadBytes(dir / "typed2.bmp"), ShownBmp());
}

// The dialog offers the frame's name with the entry's extension, which
// follows the entry chosen, in the frame's folder and then the one saved to.
TEST_F(SaveAsTest, SuggestsTheFramesNameInTheFolderLastSavedTo) {
  std::filesystem::create_directory(dir / "out");
  QStringList offered;  // folder and name, as the dialog showed them
  dialogs.FileDialogUser = [&](QFileDialog& dialog) -> std::optional<QString> {
    dialog.show();
    auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
    auto* name = dialog.findChild<QLineEdit*>("fileNameEdit");
    if (!QTest::qWaitForWindowActive(&dialog) || !types || !name) return std::nullopt;
    offered << QFileInfo(dialog.directory().absolutePath()).fileName() << name->text();
    if (offered.size() > 2) {
      dialog.reject();
      return std::nullopt;
    }
    QTest::keyClick(types, Qt::Key_End);  // PNG
    offered << name->text();
    name->setText(QString::fromStdString(dir / "out/") + name->text());
    QTest::keyClick(name, Qt::Key_Return);
    return dialog.selectedFiles().value(0);
  };
  Click("FileSaveBtn");
  Click("FileSaveBtn");
  const QString frameFolder = QString::fromStdString(dir.Path().filename().string());
  EXPECT_EQ(offered, QStringList({frameFolder, "frame.001.bmp", "frame.001.png", "out", "frame.001.png"}));
  EXPECT_TRUE(DecodePng(ReadBytes(dir / "out/frame.001.png")));
}

// A .fits name is standard FITS except under the 36-card entry, which writes
// its layout whatever the name.
TEST_F(SaveAsTest, TheCardLayoutEntryAloneWritesThatLayoutToAFitsName) {
  const std::vector<std::uint8_t> seedFile =
      BuildFitsFile(form->Viewer().Document().LabelCards(), form->Viewer().Document().FitsPlane());
  for (const auto& [filter, standard] : {std::pair{"BMP image (*.bmp)", true},
                                         {"FITS, 36-card layout (*.fit)", false},
                                         {"FITS, standard (*.fits)", true},
                                         {"PNG image (*.png)", true}}) {
    SCOPED_TRACE(filter);
    SaveAs(dir / "out.fits", filter);
    const std::vector<std::uint8_t> bytes = ReadBytes(dir / "out.fits");
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(bytes == seedFile, !standard);
    EXPECT_EQ(text.find("XTENSION= 'IMAGE   '") != std::string::npos, standard);
  }
  EXPECT_TRUE(dialogs.Errors.empty());
}

// Both the 36-card and the standard FITS writer keep an earlier file.
TEST_F(SaveAsTest, AFailedSaveIsReportedAndKeepsThePreviousFile) {
  const std::vector<std::uint8_t> previous(1000, 0x5A);
  for (const char* kept : {"kept.fit", "kept.fits"}) WriteBytes(dir / kept, previous);
  SaveAs(dir / "no-such-folder/x.bmp");
  SaveAs(dir / "kept.fit/x.fit");  // a path through a regular file
  WritesStopHalfway();
  SaveAs(dir / "kept.fit");
  SaveAs(dir / "kept.fits", "FITS, standard (*.fits)");
  ASSERT_EQ(dialogs.Errors.size(), 4u);
  for (const QString& error : dialogs.Errors) EXPECT_TRUE(error.startsWith("Could not save ")) << error.toStdString();
  for (const char* kept : {"kept.fit", "kept.fits"}) EXPECT_EQ(ReadBytes(dir / kept), previous) << kept;
  EXPECT_FALSE(std::filesystem::exists(dir / "no-such-folder"));
}

TEST_F(SaveAsTest, SavingIntoAFolderNamedInBytesThatAreNotUtf8WritesThere) {
  std::filesystem::create_directory(dir / "d\xff");
  SaveAs(dir / "d\xff/x.bmp");
  EXPECT_TRUE(dialogs.Errors.empty());
  EXPECT_EQ(ReadBytes(dir / "d\xff/x.bmp"), ShownBmp());
}

TEST_F(SaveAsTest, TheFileOfTheFrameOnScreenIsNeverSavedOver) {
  CloseImageWindow();
  const std::vector<std::uint8_t> frame = Mariner10FrameFile();
  Open(WriteFrame("frame.fit", frame));
  std::filesystem::create_symlink("frame.fit", dir.Path() / "link.bmp");
  std::filesystem::create_hard_link(dir.Path() / "frame.fit", dir.Path() / "hard.fit");
  std::filesystem::create_directory(dir.Path() / "other");
  const std::pair<const char*, bool> targets[] = {
      {"frame.fit", true}, {"./frame.fit", true}, {"link.bmp", true}, {"hard.fit", true}, {"other/frame.fit", false}};
  for (const auto& [name, refused] : targets) {
    SCOPED_TRACE(name);
    dialogs.Errors.clear();
    SaveAs(dir / name);
    ASSERT_EQ(dialogs.Errors.size(), refused ? 1u : 0u);
    if (refused) {
      const QString& error = dialogs.Errors[0];
      const QString chosen = QString::fromStdString(dir / name), frameFile = QString::fromStdString(dir / "frame.fit");
      EXPECT_TRUE(error.startsWith("Could not save " + chosen + ": ")) << error.toStdString();
      EXPECT_TRUE(error.endsWith("(" + frameFile + ").")) << error.toStdString();
    }
    EXPECT_EQ(ReadBytes(dir / "frame.fit"), frame);
  }
  EXPECT_TRUE(std::filesystem::is_symlink(dir.Path() / "link.bmp"));
  EXPECT_EQ(ReadBytes(dir / "other/frame.fit").size(), 585'280u);
}

TEST_F(SaveAsTest, PrintingToAPdfFileMakesOnePageHoldingThePictureWithoutLoss) {
  const std::string pdf = dir / "page.pdf";
  QPrinter& printer = form->Printer();
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(pdf));
  // At 72 dpi a page 832 points wide holds the picture at its own size, one
  // point a pixel, so rasterising at 72 dpi gives its pixels back.
  printer.setResolution(72);
  printer.setFullPage(true);
  printer.setPageSize(QPageSize(QSizeF(832, 1000), QPageSize::Point, {}, QPageSize::ExactMatch));
  printer.setPageMargins({}, QPageLayout::Point);
  Click("ToolButton17");
  EXPECT_TRUE(dialogs.Errors.empty());
  const std::vector<std::uint8_t> bytes = ReadBytes(pdf);
  const QString text = QString::fromLatin1(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
  EXPECT_TRUE(text.startsWith("%PDF"));
  EXPECT_EQ(text.count(QRegularExpression(R"(/Type\s*/Page(?![a-zA-Z]))")), 1);

  // pdftocairo draws an image that meets the pixel grid exactly pixel for
  // pixel; pdftoppm resamples it even then.
  QProcess rasteriser;
  const QString pagePrefix = QString::fromStdString(dir / "page");
  rasteriser.start("pdftocairo", {"-png", "-r", "72", "-singlefile", QString::fromStdString(pdf), pagePrefix});
  ASSERT_TRUE(rasteriser.waitForFinished(60'000))
      << "pdftocairo (Debian package poppler-utils) is needed: " << rasteriser.errorString().toStdString();
  ASSERT_EQ(rasteriser.exitCode(), 0) << rasteriser.readAllStandardError().toStdString();
  const QImage page = QImage(pagePrefix + ".png").convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(page.size(), QSize(832, 1000));
  const QImage picture = form->ImageWindow()->Picture().convertToFormat(QImage::Format_RGB32);
  int differentPixels = 0;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) differentPixels += page.pixel(x, y) != picture.pixel(x, y);
  EXPECT_EQ(differentPixels, 0);
}

// The same picture and settings, by buttons in the window and by arguments on
// the command line, give the same files, text chunks included.
TEST_F(SaveAsTest, TheCommandLineWritesTheSameFiles) {
  const struct {
    std::vector<const char*> Buttons;
    std::vector<std::string> Args;
    std::string Options;
  } cases[] = {
      {{"ToolButton32", "ToolButton20", "ToolButton20"}, {"--colorize", "--brightness", "-40"}, "colorize"},
      {{"ToolButton9"}, {"--original"}, "Original Image"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.Options);
    for (const char* button : row.Buttons) Click(button);
    for (const std::string extension : {".fit", ".png"}) {
      SaveAs(dir / ("window" + extension));
      std::vector<std::string> args = row.Args;
      args.insert(args.end(), {"-o", dir / ("cli" + extension), dir / "frame.001"});
      std::ostringstream out, err;
      ASSERT_EQ(cli::RunRender(args, out, err), cli::ExitSuccess) << err.str();
      EXPECT_EQ(ReadBytes(dir / ("cli" + extension)), ReadBytes(dir / ("window" + extension))) << extension;
    }
    const auto png = DecodePng(ReadBytes(dir / "window.png"));
    ASSERT_TRUE(png);
    EXPECT_EQ(png->TextOf("Options"), row.Options);
  }
  EXPECT_TRUE(dialogs.Errors.empty());
}

}  // namespace
}  // namespace vantorel::testing

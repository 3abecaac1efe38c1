#include "app/about.h"

#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QRadialGradient>

#include "app/icon_resources.h"

namespace {

constexpr int ClientWidth = 314;
constexpr int ClientHeight = 363;
constexpr int Margin = 8;
constexpr QSize PictureSize(177, 97);
constexpr int IconSize = 32;
constexpr int BevelWidth = 2;

// Mercury as Mariner 10 saw it on approach: a sunlit crescent over black,
// with a few craters and the raster lines of the vidicon.
QPixmap DrawAboutPicture() {
  QPixmap picture(PictureSize);
  picture.fill(Qt::black);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);

  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(200, 200, 210));
  const QPointF stars[] = {{12, 9}, {30, 71}, {51, 22}, {8, 84}, {71, 88}, {163, 10}, {88, 6}, {24, 40}, {58, 54}};
  for (const QPointF& star : stars) painter.drawEllipse(star, 0.7, 0.7);

  const QPointF centre(122, 50);
  const qreal radius = 44;
  QPainterPath disk;
  disk.addEllipse(centre, radius, radius);
  QPainterPath night;
  night.addEllipse(centre + QPointF(22, -4), radius * 1.05, radius * 1.05);
  const QPainterPath lit = disk.subtracted(night);

  painter.setBrush(QColor(22, 22, 26));
  painter.drawPath(disk);

  QRadialGradient sunlight(centre - QPointF(radius * 0.7, radius * 0.2), radius * 1.3);
  sunlight.setColorAt(0.0, QColor(236, 230, 214));
  sunlight.setColorAt(0.6, QColor(150, 144, 130));
  sunlight.setColorAt(1.0, QColor(60, 58, 54));
  painter.setBrush(sunlight);
  painter.drawPath(lit);

  painter.setClipPath(lit);
  painter.setBrush(QColor(90, 86, 78, 160));
  const QRectF craters[] = {{86, 30, 7, 5}, {92, 58, 5, 4}, {80, 44, 4, 6}, {100, 18, 4, 3}, {96, 76, 6, 4}};
  for (const QRectF& crater : craters) painter.drawEllipse(crater);
  painter.setClipping(false);

  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setPen(QColor(0, 0, 0, 70));
  for (int y = 1; y < PictureSize.height(); y += 3) painter.drawLine(0, y, PictureSize.width(), y);
  return picture;
}

// A lowered bevel that holds one picture label flush inside its border.
QLabel* AddBevelledPicture(QWidget* parent, const QString& name, const QPoint& topLeft, const QPixmap& pixmap) {
  auto* bevel = new QFrame(parent);
  bevel->setObjectName(name + "Bevel");
  bevel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  bevel->setLineWidth(BevelWidth);
  bevel->setGeometry(QRect(topLeft, pixmap.size() + QSize(2 * BevelWidth, 2 * BevelWidth)));
  auto* label = new QLabel(bevel);
  label->setObjectName(name);
  label->setPixmap(pixmap);
  label->setGeometry(QRect(QPoint(BevelWidth, BevelWidth), pixmap.size()));
  return label;
}

QLabel* AddText(QWidget* parent, const QString& name, const QString& text, const QRect& geometry,
                Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  label->setAlignment(alignment);
  label->setGeometry(geometry);
  return label;
}

// A heading line with a framed block of text beneath it.
void AddFramedBlock(QWidget* parent, const QString& name, const QString& heading, const QString& text,
                    const QRect& frameGeometry) {
  const int headingHeight = parent->fontMetrics().height();
  AddText(parent, name + "Heading", heading,
          QRect(frameGeometry.left(), frameGeometry.top() - headingHeight - 2, frameGeometry.width(), headingHeight));
  auto* frame = new QFrame(parent);
  frame->setObjectName(name + "Frame");
  frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
  frame->setGeometry(frameGeometry);
  AddText(frame, name, text, frame->rect().adjusted(6, 4, -6, -4));
}

}  // namespace

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName("AboutBox");
  setWindowTitle("About");
  setFixedSize(ClientWidth, ClientHeight);
  setSizeGripEnabled(false);

  // Fixedsys is a Windows bitmap face; elsewhere the nearest fixed-pitch face stands in.
  QFont font;
  font.setFamilies({"Fixedsys"});
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setPixelSize(12);
  setFont(font);

  const QLabel* picture = AddBevelledPicture(this, "Picture", QPoint(Margin, Margin), DrawAboutPicture());
  const int pictureRight = picture->parentWidget()->geometry().right();
  const int pictureBottom = picture->parentWidget()->geometry().bottom();

  // The right-hand column: icon, name, systems, version.
  const int columnLeft = pictureRight + Margin;
  const int columnWidth = ClientWidth - Margin - columnLeft;
  const int iconBevel = IconSize + 2 * BevelWidth;
  const QPixmap icon = vantorel::ApplicationIcon().pixmap(IconSize, IconSize);
  setWindowIcon(vantorel::ApplicationIcon());
  AddBevelledPicture(this, "ProgramIcon", QPoint(columnLeft + (columnWidth - iconBevel) / 2, Margin), icon);

  const int line = fontMetrics().height();
  int y = Margin + iconBevel + 6;
  QLabel* name = AddText(this, "ProductName", "Vantorel", QRect(columnLeft, y, columnWidth, line + 2), Qt::AlignCenter);
  QFont bold = font;
  bold.setBold(true);
  name->setFont(bold);
  y += line + 4;
  AddText(this, "Systems", "Linux desktop (Qt 6)", QRect(columnLeft, y, columnWidth, 2 * line),
          Qt::AlignHCenter | Qt::AlignTop);
  y += 2 * line + 2;
  AddText(this, "Version", QStringLiteral("Version %1").arg(VANTOREL_VERSION), QRect(columnLeft, y, columnWidth, line),
          Qt::AlignHCenter | Qt::AlignTop);

  // The notices down the left side.
  const int blockWidth = ClientWidth - 2 * Margin;
  y = pictureBottom + 1 + Margin + line + 2;
  AddFramedBlock(this, "Copyright", "Ownership:",
                 "Vantorel belongs to its authors. The Mariner 10 and Mariner 9 frames it shows come from NASA "
                 "through the NSSDC.",
                 QRect(Margin, y, blockWidth, 3 * line + 10));
  y += 3 * line + 10 + Margin + line + 2;
  AddFramedBlock(this, "Comments", "Terms of use:",
                 "Free to use and to copy for study and research. Provided as is, without warranty of any kind.",
                 QRect(Margin, y, blockWidth, 3 * line + 10));
  y += 3 * line + 10 + Margin;

  constexpr QSize ButtonSize(75, 25);
  AddText(this, "ContactHeading", "Contact:", QRect(Margin, y, blockWidth - ButtonSize.width() - Margin, line));
  AddText(this, "Contact", "Questions and bug reports: the project's issue tracker.",
          QRect(Margin, y + line + 2, blockWidth - ButtonSize.width() - Margin, ClientHeight - Margin - y - line - 2));

  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("OKButton");
  ok->setDefault(true);
  ok->setGeometry(QRect(QPoint(ClientWidth - Margin - ButtonSize.width(), ClientHeight - Margin - ButtonSize.height()),
                        ButtonSize));
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

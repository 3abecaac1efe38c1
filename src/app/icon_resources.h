// The tool-bar glyphs and the application icon, compiled into the program as resources.
#pragma once

#include <QIcon>
#include <QString>

namespace vantorel {

// The resources live in a static library, so nothing pulls them in until
// someone asks; every accessor below does this first. Safe to call repeatedly.
void EnsureIconResources();

// The glyph drawn for the tool button or menu item of that objectName
// (e.g. "FileOpenBtn"); a null icon when there is none.
QIcon ToolGlyph(const QString& objectName);

// The 32 x 32 application icon.
QIcon ApplicationIcon();

// Every glyph of the tool bar's image list, in tool-bar order, then the menu-only ones.
const QStringList& ToolGlyphNames();

}  // namespace vantorel

#pragma once

#include "model/CanvasGeometry.h"
#include "model/ObjectTree.h"
#include "render/DocumentRenderer.h"

#include <QString>
#include <QStringList>

#include <span>

namespace qm {

class TBitmap;

// What a file format writes: the drawing, its canvas, what lies under it,
// and for the pixel formats the canvas's pixels, rendered by the caller
// without the grid. The tree is not const for the document only, whose save
// gives the items their file ids; every export only reads it.
struct TExportSource {
    TObjectTree& Tree;
    TCanvasGeometry Canvas;
    TCanvasBackground Background;
    const TBitmap* Pixels = nullptr;
};

enum class TFileFormatId { Document, Bitmap, Metafile, Png, Svg, Pdf };

// One file format of the program. The list of them is the one place that
// says which formats exist: the Save As dialog's file types (in the list's
// order, 1-based), the extension a chosen name gets, what `--convert`
// writes for an output name and the formats the README names all come
// from it.
struct TFileFormat {
    TFileFormatId Id;
    QString Name;        // "PNG"
    QStringList Extensions; // without the dot; the first is the one Save As appends
    QString Description; // the save dialog's type, "PNG型式(png)"
    bool CanRead;        // Open reads it
    bool NeedsPixels;    // written from TExportSource::Pixels
    // Writes the file atomically; throws TFileError.
    void (*Write)(const TExportSource& source, const QString& path);

    // ".png"
    QString Extension() const { return QStringLiteral(".") + Extensions.front(); }
    // "PNG型式(png)|*png", as the dialogs take filters.
    QString Filter() const;
};

std::span<const TFileFormat> FileFormats();
const TFileFormat& FileFormat(TFileFormatId id);
// The format whose extension the path's suffix is, case aside; null when none.
const TFileFormat* FileFormatOfPath(const QString& path);
// The Save As dialog's type at 1-based `filterIndex`; any other index is
// the document, as the dialog saved a document for an unknown choice.
const TFileFormat& SaveAsFormat(int filterIndex);
// Every format's filter, in the list's order: the Save As dialog's filter.
QString SaveAsFilter();
// The formats Open reads.
QString OpenFilter();
// ".dof, .bmp, .emf, .png, .svg, .pdf"
QString ExtensionList();

} // namespace qm

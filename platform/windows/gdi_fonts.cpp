// GDI fonts and the outline-glyph list builder over FreeType: added font files, font objects selected into
// device contexts, and per-code display lists drawing extruded glyph contours as lines, em square = 1.0.
// Faces not among the added files come from fontconfig's best match for a sans-serif of the asked weight
// (on Windows, from a heavy sans-serif file of the system's fonts folder; a browser offers no font files).
#include "platform/windows/gdi_fonts.h"

#include <GL/gl.h>
#ifdef _WIN32
#include "platform/host/windows_host.h"
#elif !defined(__EMSCRIPTEN__)
#include <fontconfig/fontconfig.h>
#endif
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BBOX_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <strings.h>
#include <vector>

namespace {

struct AddedFontFile {
    std::string name;  // as given
    std::string path;  // resolved when added, so a later change of directory does not lose it
    int faces;
};

struct FontObject {
    LOGFONTA description;
};

struct Selection {
    HDC dc;
    FontObject* font;
};

std::vector<AddedFontFile> addedFiles;
std::vector<std::unique_ptr<FontObject>> fontObjects;
std::vector<Selection> selections;
GdiOutlineFace lastFace;

FT_Library Library()
{
    static FT_Library library = nullptr;
    if (!library) {
        if (FT_Init_FreeType(&library) != 0)
            return library = nullptr;
        // Faces still open at exit go with the library.
        std::atexit([] { FT_Done_FreeType(library); });
    }
    return library;
}

std::string ResolvePath(const char* name)
{
    char resolved[PATH_MAX];
#ifdef _WIN32
    return _fullpath(resolved, name, PATH_MAX) ? std::string(resolved) : std::string(name);
#else
    return realpath(name, resolved) ? std::string(resolved) : std::string(name);
#endif
}

int FaceWeight(FT_Face face)
{
    const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->usWeightClass > 0)
        return os2->usWeightClass < 10 ? os2->usWeightClass * 100 : os2->usWeightClass;
    return (face->style_flags & FT_STYLE_FLAG_BOLD) ? 700 : 400;
}

FontObject* FindFontObject(HGDIOBJ object)
{
    for (auto& font : fontObjects)
        if (reinterpret_cast<HGDIOBJ>(font.get()) == object)
            return font.get();
    return nullptr;
}

// The added face whose family is the asked face name, closest in weight; null when none matches.
FT_Face OpenAddedFace(const LOGFONTA& font, int weight, std::string& file)
{
    FT_Face best = nullptr;
    int bestDistance = INT_MAX;
    for (const AddedFontFile& added : addedFiles) {
        for (int index = 0; index < added.faces; ++index) {
            FT_Face face = nullptr;
            if (FT_New_Face(Library(), added.path.c_str(), index, &face) != 0)
                continue;
            int distance = std::abs(FaceWeight(face) - weight);
            if (face->family_name && FT_IS_SCALABLE(face) &&
                strncasecmp(face->family_name, font.lfFaceName, LF_FACESIZE) == 0 && distance < bestDistance) {
                if (best)
                    FT_Done_Face(best);
                best = face;
                bestDistance = distance;
                file = added.path;
            } else {
                FT_Done_Face(face);
            }
        }
    }
    return best;
}

#ifdef _WIN32
// No fontconfig here: the first of the system's sans-serif files that opens, heaviest first when a heavy
// weight is asked.
FT_Face OpenSubstituteFace(const LOGFONTA& font, int weight, std::string& file)
{
    const char* heavy[] = {"ariblk.ttf", "arialbd.ttf", "tahomabd.ttf", "arial.ttf", "tahoma.ttf"};
    const char* regular[] = {"arial.ttf", "tahoma.ttf", "arialbd.ttf", "tahomabd.ttf"};
    const std::string folder = WindowsFontsFolder();
    for (const char* name : weight >= 700 ? std::vector<const char*>(std::begin(heavy), std::end(heavy))
                                          : std::vector<const char*>(std::begin(regular), std::end(regular))) {
        FT_Face face = nullptr;
        file = folder + "\\" + name;
        if (!folder.empty() && FT_New_Face(Library(), file.c_str(), 0, &face) == 0)
            return face;
    }
    (void)font;
    file.clear();
    return nullptr;
}
#elif defined(__EMSCRIPTEN__)
FT_Face OpenSubstituteFace(const LOGFONTA&, int, std::string& file)
{
    file.clear();
    return nullptr;
}
#else
FT_Face OpenSubstituteFace(const LOGFONTA& font, int weight, std::string& file)
{
    static FcConfig* config = nullptr;
    if (!config) {
        config = FcInitLoadConfigAndFonts();
        // fontconfig keeps global state that only FcFini gives back.
        if (config)
            std::atexit([] {
                FcConfigDestroy(config);
                FcFini();
            });
    }
    if (!config)
        return nullptr;
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("sans-serif"));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight));
    FcPatternAddInteger(pattern, FC_SLANT, font.lfItalic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match)
        return nullptr;
    FcChar8* path = nullptr;
    int index = 0;
    FT_Face face = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) {
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        file = reinterpret_cast<const char*>(path);
        if (FT_New_Face(Library(), file.c_str(), index, &face) != 0)
            face = nullptr;
    }
    FcPatternDestroy(match);
    return face;
}
#endif

struct Point {
    float x, y;
};

// One glyph's contours, flattened, with the outline's on-curve points where the two faces are joined.
struct Contour {
    std::vector<Point> line;
    std::vector<Point> joins;
};

struct GlyphShape {
    std::vector<Contour> contours;
    float tolerance = 1.0f;
};

GlyphShape* Shape(void* user) { return static_cast<GlyphShape*>(user); }

Point ToPoint(const FT_Vector* v) { return {static_cast<float>(v->x), static_cast<float>(v->y)}; }

void AddOnCurve(GlyphShape* shape, Point p)
{
    shape->contours.back().line.push_back(p);
    shape->contours.back().joins.push_back(p);
}

float Distance(Point a, Point b) { return std::hypot(a.x - b.x, a.y - b.y); }

// Splits until the curve's midpoint lies within the tolerance of its chord's midpoint.
void FlattenConic(GlyphShape* shape, Point p0, Point c, Point p1, int depth)
{
    Point curveMid = {0.25f * p0.x + 0.5f * c.x + 0.25f * p1.x, 0.25f * p0.y + 0.5f * c.y + 0.25f * p1.y};
    Point chordMid = {0.5f * (p0.x + p1.x), 0.5f * (p0.y + p1.y)};
    if (depth >= 16 || Distance(curveMid, chordMid) <= shape->tolerance) {
        shape->contours.back().line.push_back(p1);
        return;
    }
    Point c0 = {0.5f * (p0.x + c.x), 0.5f * (p0.y + c.y)};
    Point c1 = {0.5f * (c.x + p1.x), 0.5f * (c.y + p1.y)};
    FlattenConic(shape, p0, c0, curveMid, depth + 1);
    FlattenConic(shape, curveMid, c1, p1, depth + 1);
}

float DistanceToLine(Point p, Point a, Point b)
{
    float dx = b.x - a.x, dy = b.y - a.y;
    float length = std::hypot(dx, dy);
    if (length == 0.0f)
        return Distance(p, a);
    return std::fabs((p.x - a.x) * dy - (p.y - a.y) * dx) / length;
}

// A cubic's midpoint can sit on its chord while the curve swings both ways, so its control points must
// lie within the tolerance as well.
void FlattenCubic(GlyphShape* shape, Point p0, Point c0, Point c1, Point p1, int depth)
{
    Point curveMid = {(p0.x + 3 * c0.x + 3 * c1.x + p1.x) / 8, (p0.y + 3 * c0.y + 3 * c1.y + p1.y) / 8};
    Point chordMid = {0.5f * (p0.x + p1.x), 0.5f * (p0.y + p1.y)};
    if (depth >= 16 ||
        (Distance(curveMid, chordMid) <= shape->tolerance && DistanceToLine(c0, p0, p1) <= shape->tolerance &&
         DistanceToLine(c1, p0, p1) <= shape->tolerance)) {
        shape->contours.back().line.push_back(p1);
        return;
    }
    Point a = {0.5f * (p0.x + c0.x), 0.5f * (p0.y + c0.y)};
    Point b = {0.5f * (c0.x + c1.x), 0.5f * (c0.y + c1.y)};
    Point c = {0.5f * (c1.x + p1.x), 0.5f * (c1.y + p1.y)};
    Point ab = {0.5f * (a.x + b.x), 0.5f * (a.y + b.y)};
    Point bc = {0.5f * (b.x + c.x), 0.5f * (b.y + c.y)};
    FlattenCubic(shape, p0, a, ab, curveMid, depth + 1);
    FlattenCubic(shape, curveMid, bc, c, p1, depth + 1);
}

int MoveTo(const FT_Vector* to, void* user)
{
    Shape(user)->contours.emplace_back();
    AddOnCurve(Shape(user), ToPoint(to));
    return 0;
}

int LineTo(const FT_Vector* to, void* user)
{
    AddOnCurve(Shape(user), ToPoint(to));
    return 0;
}

int ConicTo(const FT_Vector* control, const FT_Vector* to, void* user)
{
    GlyphShape* shape = Shape(user);
    FlattenConic(shape, shape->contours.back().line.back(), ToPoint(control), ToPoint(to), 0);
    shape->contours.back().joins.push_back(ToPoint(to));
    return 0;
}

int CubicTo(const FT_Vector* control1, const FT_Vector* control2, const FT_Vector* to, void* user)
{
    GlyphShape* shape = Shape(user);
    FlattenCubic(shape, shape->contours.back().line.back(), ToPoint(control1), ToPoint(control2), ToPoint(to), 0);
    shape->contours.back().joins.push_back(ToPoint(to));
    return 0;
}

// Decomposition closes each contour back onto its first point; the drawing closes it again itself.
void DropClosingPoints(GlyphShape& shape)
{
    for (Contour& contour : shape.contours) {
        std::vector<Point>& line = contour.line;
        if (line.size() > 1 && line.back().x == line.front().x && line.back().y == line.front().y) {
            line.pop_back();
            if (contour.joins.size() > 1)
                contour.joins.pop_back();
        }
    }
}

void DrawShape(const GlyphShape& shape, float scale, float extrusion)
{
    for (const Contour& contour : shape.contours) {
        // Each contour is closed by repeating its first point: Mesa's feedback mode crashes on line loops
        // compiled into display lists, and a closed strip draws the same lines.
        for (float z : {0.0f, -extrusion}) {
            glBegin(GL_LINE_STRIP);
            for (Point p : contour.line)
                glVertex3f(p.x * scale, p.y * scale, z);
            glVertex3f(contour.line.front().x * scale, contour.line.front().y * scale, z);
            glEnd();
        }
    }
    glBegin(GL_LINES);
    for (const Contour& contour : shape.contours) {
        for (Point p : contour.joins) {
            glVertex3f(p.x * scale, p.y * scale, 0.0f);
            glVertex3f(p.x * scale, p.y * scale, -extrusion);
        }
    }
    glEnd();
}

}  // namespace

int WINAPI AddFontResourceA(LPCSTR fileName)
{
    if (!fileName || !Library())
        return 0;
    std::string path = ResolvePath(fileName);
    FT_Face face = nullptr;
    if (FT_New_Face(Library(), path.c_str(), 0, &face) != 0)
        return 0;
    int faces = FT_IS_SCALABLE(face) ? static_cast<int>(face->num_faces) : 0;
    FT_Done_Face(face);
    if (faces <= 0)
        return 0;
    addedFiles.push_back({fileName, path, faces});
    return faces;
}

BOOL WINAPI RemoveFontResourceA(LPCSTR fileName)
{
    if (!fileName)
        return FALSE;
    std::string path = ResolvePath(fileName);
    for (auto it = addedFiles.rbegin(); it != addedFiles.rend(); ++it) {
        if (it->name == fileName || it->path == path) {
            addedFiles.erase(std::next(it).base());
            return TRUE;
        }
    }
    return FALSE;
}

HFONT WINAPI CreateFontIndirectA(const LOGFONTA* font)
{
    if (!font)
        return nullptr;
    LOGFONTA description;
    std::memcpy(&description, font, sizeof description);
    // Bytes after the name's terminator do not tell fonts apart.
    size_t length = strnlen(description.lfFaceName, LF_FACESIZE - 1);
    std::memset(description.lfFaceName + length, 0, LF_FACESIZE - length);
    for (auto& object : fontObjects)
        if (std::memcmp(&object->description, &description, sizeof description) == 0)
            return reinterpret_cast<HFONT>(object.get());
    fontObjects.push_back(std::make_unique<FontObject>(FontObject{description}));
    return reinterpret_cast<HFONT>(fontObjects.back().get());
}

HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object)
{
    FontObject* font = FindFontObject(object);
    if (!dc || !font)
        return nullptr;
    for (Selection& selection : selections) {
        if (selection.dc == dc) {
            HGDIOBJ previous = reinterpret_cast<HGDIOBJ>(selection.font);
            selection.font = font;
            return previous;
        }
    }
    selections.push_back({dc, font});
    return nullptr;
}

BOOL WINAPI wglUseFontOutlinesA(HDC dc, DWORD first, DWORD count, DWORD listBase, FLOAT deviation, FLOAT extrusion,
                                int format, GLYPHMETRICSFLOAT* metrics)
{
    // Only line outlines are built; no caller asks for filled polygons.
    if (format != WGL_FONT_LINES || !Library())
        return FALSE;
    LOGFONTA font = {};
    for (const Selection& selection : selections)
        if (selection.dc == dc)
            font = selection.font->description;
    int weight = font.lfWeight > 0 ? static_cast<int>(font.lfWeight) : 400;

    std::string file;
    bool added = true;
    FT_Face face = OpenAddedFace(font, weight, file);
    if (!face) {
        added = false;
        face = OpenSubstituteFace(font, weight, file);
    }
    if (!face)
        return FALSE;
    FT_Select_Charmap(face, FT_ENCODING_UNICODE);

    float unitsPerEm = face->units_per_EM > 0 ? static_cast<float>(face->units_per_EM) : 2048.0f;
    float scale = 1.0f / unitsPerEm;
    int faceWeight = FaceWeight(face);
    // Heavier than the face: widen the outline in proportion, a full step (400 to 900) by em / 24.
    FT_Pos embolden = weight - faceWeight >= 100 ? static_cast<FT_Pos>(unitsPerEm * (weight - faceWeight) / 12000) : 0;
    lastFace = {face->family_name ? face->family_name : "",
                face->style_name ? face->style_name : "",
                file,
                faceWeight,
                added,
                embolden > 0};

    FT_Outline_Funcs walker = {MoveTo, LineTo, ConicTo, CubicTo, 0, 0};
    GlyphShape shape;
    shape.tolerance = deviation > 0.0f ? deviation * unitsPerEm : 1.0f;
    for (DWORD i = 0; i < count; ++i) {
        FT_UInt glyph = FT_Get_Char_Index(face, first + i);
        shape.contours.clear();
        float advance = 0.0f;
        FT_BBox box = {0, 0, 0, 0};
        if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE) == 0) {
            FT_Outline* outline = &face->glyph->outline;
            bool drawable = glyph != 0 && face->glyph->format == FT_GLYPH_FORMAT_OUTLINE && outline->n_points > 0;
            if (drawable && embolden > 0)
                FT_Outline_Embolden(outline, embolden);
            if (drawable && FT_Outline_Decompose(outline, &walker, &shape) == 0) {
                DropClosingPoints(shape);
                FT_Outline_Get_BBox(outline, &box);
            } else {
                shape.contours.clear();
            }
            advance = static_cast<float>(face->glyph->metrics.horiAdvance + embolden) * scale;
        }
        glNewList(listBase + i, GL_COMPILE);
        if (!shape.contours.empty())
            DrawShape(shape, scale, extrusion);
        glTranslatef(advance, 0.0f, 0.0f);
        glEndList();
        if (metrics) {
            metrics[i].gmfBlackBoxX = static_cast<float>(box.xMax - box.xMin) * scale;
            metrics[i].gmfBlackBoxY = static_cast<float>(box.yMax - box.yMin) * scale;
            metrics[i].gmfptGlyphOrigin.x = static_cast<float>(box.xMin) * scale;
            metrics[i].gmfptGlyphOrigin.y = static_cast<float>(box.yMax) * scale;
            metrics[i].gmfCellIncX = advance;
            metrics[i].gmfCellIncY = 0.0f;
        }
    }
    FT_Done_Face(face);
    return TRUE;
}

int GdiAddedFontFileCount() { return static_cast<int>(addedFiles.size()); }

std::string GdiFontFileFamily(const char* fileName)
{
    std::string family;
    FT_Face face = nullptr;
    if (!fileName || !Library() || FT_New_Face(Library(), ResolvePath(fileName).c_str(), 0, &face) != 0)
        return family;
    if (face->family_name)
        family = face->family_name;
    FT_Done_Face(face);
    return family;
}

int GdiFontObjectCount() { return static_cast<int>(fontObjects.size()); }

int GdiSelectionCount() { return static_cast<int>(selections.size()); }

void GdiForgetDeviceContext(HDC dc)
{
    for (auto it = selections.begin(); it != selections.end(); ++it) {
        if (it->dc == dc) {
            selections.erase(it);
            return;
        }
    }
}

GdiOutlineFace GdiLastOutlineFace() { return lastFace; }

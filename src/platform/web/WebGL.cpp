// Display lists over the browser's immediate-mode emulation. The font's lists are all alike (one
// quad, then the pen advance), so a glCallLists of a string becomes one glBegin/glEnd of all its
// quads, each moved by the advances before it: one draw call instead of one per glyph.
#include <GL/gl.h>

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace {
enum class Op : std::uint8_t { Begin, End, TexCoord, Vertex, Translate };

struct Step {
    Op Kind;
    GLenum Mode;
    GLdouble A, B, C;
};

struct List {
    std::vector<Step> Steps;
    // Set when the list is quads then one translation in the plane: it can join a batch.
    bool Batchable = false;
    GLdouble AdvanceX = 0.0, AdvanceY = 0.0;
};

std::unordered_map<GLuint, List> Lists;
GLuint NextName = 1;
GLuint ListBase = 0;
List* Recording = nullptr;
GLuint RecordingName = 0;
bool InsideBegin = false; // between a glBegin and its glEnd that went on to GL

void Classify(List& list) {
    const std::vector<Step>& s = list.Steps;
    list.Batchable = false;
    if (s.size() < 3 || s.front().Kind != Op::Begin || s.front().Mode != GL_QUADS) return;
    std::size_t i = 1;
    for (; i < s.size() && (s[i].Kind == Op::TexCoord || s[i].Kind == Op::Vertex); ++i) {
    }
    if (i + 2 != s.size() || s[i].Kind != Op::End || s[i + 1].Kind != Op::Translate ||
        s[i + 1].C != 0.0)
        return;
    list.Batchable = true;
    list.AdvanceX = s[i + 1].A;
    list.AdvanceY = s[i + 1].B;
}

void Replay(const List& list) {
    for (const Step& step : list.Steps) {
        switch (step.Kind) {
        case Op::Begin: glBegin(step.Mode); break;
        case Op::End: glEnd(); break;
        case Op::TexCoord:
            glTexCoord2f(static_cast<GLfloat>(step.A), static_cast<GLfloat>(step.B));
            break;
        case Op::Vertex:
            glVertex2f(static_cast<GLfloat>(step.A), static_cast<GLfloat>(step.B));
            break;
        case Op::Translate: glTranslated(step.A, step.B, step.C); break;
        }
    }
}

template <typename Name>
void CallAll(GLsizei n, const Name* names) {
    // All batchable (or missing, which GL skips): one draw, then the sum of the advances.
    bool batch = true;
    for (GLsizei k = 0; k < n && batch; ++k) {
        auto found = Lists.find(ListBase + static_cast<GLuint>(static_cast<GLint>(names[k])));
        batch = found == Lists.end() || found->second.Steps.empty() || found->second.Batchable;
    }
    if (!batch) {
        for (GLsizei k = 0; k < n; ++k) {
            auto found = Lists.find(ListBase + static_cast<GLuint>(static_cast<GLint>(names[k])));
            if (found != Lists.end()) Replay(found->second);
        }
        return;
    }
    GLdouble penX = 0.0, penY = 0.0;
    glBegin(GL_QUADS);
    for (GLsizei k = 0; k < n; ++k) {
        auto found = Lists.find(ListBase + static_cast<GLuint>(static_cast<GLint>(names[k])));
        if (found == Lists.end() || found->second.Steps.empty()) continue;
        const List& list = found->second;
        for (std::size_t i = 1; i + 2 < list.Steps.size(); ++i) {
            const Step& step = list.Steps[i];
            if (step.Kind == Op::TexCoord)
                glTexCoord2f(static_cast<GLfloat>(step.A), static_cast<GLfloat>(step.B));
            else
                glVertex2f(static_cast<GLfloat>(penX + step.A), static_cast<GLfloat>(penY + step.B));
        }
        penX += list.AdvanceX;
        penY += list.AdvanceY;
    }
    glEnd();
    // The advances stay in the matrix, as the lists themselves leave them.
    if (penX != 0.0 || penY != 0.0) glTranslated(penX, penY, 0.0);
}

bool Record(Op kind, GLenum mode, GLdouble a, GLdouble b, GLdouble c) {
    if (Recording == nullptr) return false;
    Recording->Steps.push_back(Step{kind, mode, a, b, c});
    return true;
}
} // namespace

void WebBegin(GLenum mode) {
    if (Record(Op::Begin, mode, 0, 0, 0)) return;
    InsideBegin = true;
    glBegin(mode);
}
void WebEnd() {
    if (Record(Op::End, 0, 0, 0, 0)) return;
    InsideBegin = false;
    glEnd();
}
void WebNormal3f(GLfloat x, GLfloat y, GLfloat z) {
    // The emulation takes a normal inside glBegin/glEnd as part of the next vertex only, so
    // one per face would shift every vertex after it. No light is ever on: a normal changes no
    // pixel, and inside a primitive it is left out.
    if (!InsideBegin) glNormal3f(x, y, z);
}
void WebTexCoord2f(GLfloat s, GLfloat t) {
    if (!Record(Op::TexCoord, 0, s, t, 0)) glTexCoord2f(s, t);
}
void WebVertex2i(GLint x, GLint y) {
    if (!Record(Op::Vertex, 0, x, y, 0)) glVertex2i(x, y);
}
void WebTranslated(GLdouble x, GLdouble y, GLdouble z) {
    if (!Record(Op::Translate, 0, x, y, z)) glTranslated(x, y, z);
}

extern "C" {
GLuint glGenLists(GLsizei range) {
    if (range <= 0) return 0;
    GLuint first = NextName;
    NextName += static_cast<GLuint>(range);
    for (GLsizei k = 0; k < range; ++k)
        Lists[first + static_cast<GLuint>(k)];
    return first;
}

void glNewList(GLuint list, GLenum) {
    // Only compiling is asked for; a list being made is not drawn.
    if (list == 0 || Recording != nullptr) return;
    RecordingName = list;
    Recording = &Lists[list];
    Recording->Steps.clear();
}

void glEndList() {
    if (Recording == nullptr) return;
    Classify(*Recording);
    Recording = nullptr;
    RecordingName = 0;
}

void glListBase(GLuint base) {
    ListBase = base;
}

void glCallLists(GLsizei n, GLenum type, const GLvoid* lists) {
    if (n <= 0 || lists == nullptr) return;
    if (type == GL_BYTE) CallAll(n, static_cast<const signed char*>(lists));
    else if (type == GL_UNSIGNED_BYTE) CallAll(n, static_cast<const unsigned char*>(lists));
}

void glDeleteLists(GLuint list, GLsizei range) {
    for (GLsizei k = 0; k < range; ++k)
        Lists.erase(list + static_cast<GLuint>(k));
}
}

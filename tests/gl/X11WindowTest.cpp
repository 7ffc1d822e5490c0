// The real X11 window under the test display: its size, focus and GL context, and X input
// arriving at the window procedure as window messages (driven with xdotool).
#include "app/WindowProc.h"
#include "input/Keyboard.h"
#include "input/Mouse.h"
#include "platform/GL.h"
#include "platform/OpenGLFuncs.h"
#include "support/GameProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
struct Seen {
    std::uint32_t Message;
    WParam W;
    LParam L;
    bool operator==(const Seen&) const = default;
};

void PrintTo(const Seen& seen, std::ostream* out) {
    *out << "{0x" << std::hex << seen.Message << std::dec << ", " << seen.W << ", 0x" << std::hex
         << seen.L << std::dec << "}";
}

std::vector<Seen> Recorded;
int QuitCode = -1; // the code of the quit message the loop took, -1 before one

LResult SYS_CALLBACK RecordingProc(SysWindow window, std::uint32_t message, WParam wParam,
                                   LParam lParam) {
    Recorded.push_back({message, wParam, lParam});
    return WindowProc(window, message, wParam, lParam);
}

std::string Shell(const std::string& command) {
    std::string out;
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return out;
    char buffer[512];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    pclose(pipe);
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

bool Has(std::uint32_t message, WParam w, LParam l) {
    for (const Seen& seen : Recorded)
        if (seen == Seen{message, w, l}) return true;
    return false;
}

// The frame loop's message half, until done() holds or two seconds pass.
bool Pump(const std::function<bool()>& done) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < deadline) {
        SysMessage msg{};
        while (SysPeekMessage(msg)) {
            if (msg.message == WmQuit) {
                QuitCode = static_cast<int>(msg.wParam);
                continue;
            }
            SysTranslateMessage(msg);
            SysDispatchMessage(msg);
        }
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
}

// Lets whatever xdotool caused arrive: pumps until nothing new comes for a while.
void Settle() {
    std::size_t count = Recorded.size();
    auto quietSince = std::chrono::steady_clock::now();
    Pump([&] {
        if (Recorded.size() != count) {
            count = Recorded.size();
            quietSince = std::chrono::steady_clock::now();
        }
        return std::chrono::steady_clock::now() - quietSince > std::chrono::milliseconds(150);
    });
}

// Key and character messages only.
std::vector<Seen> Keyboard() {
    std::vector<Seen> keys;
    for (const Seen& seen : Recorded)
        if (seen.Message >= WmKeyDown && seen.Message <= WmSysChar)
            keys.push_back({seen.Message, seen.W, 0});
    return keys;
}

std::vector<int> Viewport() {
    std::vector<int> v(4);
    glGetIntegerv(GL_VIEWPORT, v.data());
    return v;
}

// Each test has an X server of its own: focus and key presses must not meet another test's
// window when the suites run side by side.
class X11Window : public testing::Test {
  protected:
    void SetUp() override {
        display_ = std::make_unique<PrivateDisplay>();
        setenv("DISPLAY", display_->Name().c_str(), 1);
        Recorded.clear();
        QuitCode = -1;
        testing::internal::CaptureStdout();
        open_ = CreateGameWindow(800, 600, false, 32, RecordingProc);
        createLines_ = testing::internal::GetCapturedStdout();
        ASSERT_TRUE(open_) << createLines_;
        created_ = Recorded;
        id_ = Shell("xdotool search --name '^OpenGL$'");
        Settle();
        Recorded.clear();
    }
    void TearDown() override {
        if (open_) DestroyGameWindow(false);
        display_.reset();
    }
    // The client size as the X server has it.
    std::string Geometry() {
        return Shell("xdotool getwindowgeometry " + id_ + " | grep Geometry");
    }

    std::unique_ptr<PrivateDisplay> display_;
    bool open_ = false;
    std::string createLines_;
    std::vector<Seen> created_;
    std::string id_;
};

TEST_F(X11Window, OpensFocused800x600DoubleBufferedWithCreateAndSizeSentFirst) {
    EXPECT_EQ(createLines_, "");
    ASSERT_GE(created_.size(), 2u);
    EXPECT_EQ(created_[0], (Seen{WmCreate, 0, 0}));
    EXPECT_EQ(created_[1], (Seen{WmSize, 0, MakeLParam(800, 600)}));
    EXPECT_EQ(ScreenWidth, 800);
    EXPECT_EQ(ScreenHeight, 600);
    EXPECT_EQ(Viewport(), (std::vector<int>{0, 0, 800, 600}));
    ASSERT_FALSE(id_.empty()) << "no window titled OpenGL";
    EXPECT_EQ(Geometry(), "  Geometry: 800x600");
    EXPECT_EQ(Shell("xdotool getwindowfocus"), id_);
    EXPECT_EQ(Shell("xdotool search --onlyvisible --classname '^OpenGL$'"), id_);

    GLboolean doubled = GL_FALSE;
    glGetBooleanv(GL_DOUBLEBUFFER, &doubled);
    EXPECT_TRUE(doubled);
    GLint bits[4] = {};
    glGetIntegerv(GL_RED_BITS, &bits[0]);
    glGetIntegerv(GL_GREEN_BITS, &bits[1]);
    glGetIntegerv(GL_BLUE_BITS, &bits[2]);
    glGetIntegerv(GL_DEPTH_BITS, &bits[3]);
    EXPECT_GE(bits[0], 8);
    EXPECT_GE(bits[1], 8);
    EXPECT_GE(bits[2], 8);
    EXPECT_GE(bits[3], 16);
}

// What a desktop matches the window with: the class, which the menu entry names, the process
// and its host, and the crate at the installed icons' sizes, pixel for pixel theirs and opaque.
TEST_F(X11Window, NamesItselfToTheDesktopWithItsClassPidAndTheCrateIcon) {
    EXPECT_EQ(Shell("xprop -id " + id_ + " WM_CLASS _NET_WM_PID"),
              "WM_CLASS(STRING) = \"OpenGL\", \"OpenGL\"\n_NET_WM_PID(CARDINAL) = " +
                  std::to_string(getpid()));
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    EXPECT_EQ(Shell("xprop -id " + id_ + " WM_CLIENT_MACHINE"),
              "WM_CLIENT_MACHINE(STRING) = \"" + std::string(host) + "\"");
    std::string entry = ReadFileBytes(QUORVIN_SOURCE_DIR "/packaging/quorvin.desktop");
    EXPECT_NE(entry.find("\nStartupWMClass=OpenGL\n"), std::string::npos) << entry;

    // "_NET_WM_ICON = 48, 48, pixel, pixel, ..., 64, 64, ...", all of it.
    ProcessResult xprop = RunProcess({"/usr/bin/xprop", "-len", "1000000", "-id", id_, "-notype",
                                      "-f", "_NET_WM_ICON", "32c", "_NET_WM_ICON"},
                                     QUORVIN_SOURCE_DIR);
    std::size_t equals = xprop.Out.find(" = ");
    ASSERT_NE(equals, std::string::npos) << xprop.Out << xprop.Err;
    std::vector<unsigned long> icon;
    std::istringstream numbers(xprop.Out.substr(equals + 3));
    for (std::string number; std::getline(numbers, number, ',');)
        icon.push_back(std::stoul(number));
    std::vector<unsigned long> sizes;
    for (std::size_t at = 0; at + 2 <= icon.size(); at += 2 + icon[at] * icon[at + 1]) {
        const unsigned long size = icon[at];
        sizes.push_back(size);
        ASSERT_EQ(icon[at + 1], size);
        ASSERT_LE(at + 2 + size * size, icon.size());
        std::string rgb =
            RunProcess({"/usr/bin/convert", "data/icon-" + std::to_string(size) + ".png", "-depth",
                        "8", "rgb:-"},
                       QUORVIN_SOURCE_DIR)
                .Out;
        ASSERT_EQ(rgb.size(), size * size * 3) << size;
        std::size_t differing = 0;
        for (std::size_t i = 0; i < size * size; ++i) {
            auto channel = [&](int c) { return static_cast<unsigned char>(rgb[i * 3 + c]); };
            unsigned long argb = 0xFF000000ul | channel(0) << 16 | channel(1) << 8 | channel(2);
            if (icon[at + 2 + i] != argb) ++differing;
        }
        EXPECT_EQ(differing, 0u) << "pixels of the " << size << "-pixel icon";
    }
    EXPECT_EQ(sizes, (std::vector<unsigned long>{48, 64, 128, 256}));
}

TEST_F(X11Window, InitSceneLeavesTheFixedStateAndTheVirtualScreen) {
    ScopedWorkDir dir;
    CopyGameImages(dir.Path());
    InitScene();
    GLint shade = 0, mode = 0;
    glGetIntegerv(GL_SHADE_MODEL, &shade);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(shade, GL_SMOOTH);
    EXPECT_EQ(mode, GL_MODELVIEW);
    GLfloat clear[4] = {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(std::vector<float>(clear, clear + 4), (std::vector<float>{0, 0, 0, 0.5f}));
    GLfloat depth = 0;
    glGetFloatv(GL_DEPTH_CLEAR_VALUE, &depth);
    EXPECT_EQ(depth, 1.0f);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    GLdouble projection[16], modelview[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    // glOrtho(0, 800, 0, 600, -200, 200), column-major.
    const double ortho[16] = {2.0 / 800, 0, 0,          0, 0,  2.0 / 600, 0, 0,
                              0,         0, -2.0 / 400, 0, -1, -1,        0, 1};
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(projection[i], ortho[i], 1e-6) << "projection " << i;
        EXPECT_EQ(modelview[i], i % 5 == 0 ? 1.0 : 0.0) << "modelview " << i;
    }
    FreeGlyphLists();
}

TEST_F(X11Window, ResizeReachesTheSceneAndTheMouseMapping) {
    Shell("xdotool windowsize " + id_ + " 400 300");
    ASSERT_TRUE(Pump([] { return Has(WmSize, 0, MakeLParam(400, 300)); }));
    EXPECT_EQ(ScreenWidth, 400);
    EXPECT_EQ(ScreenHeight, 300);
    EXPECT_EQ(Viewport(), (std::vector<int>{0, 0, 400, 300}));
    EXPECT_EQ(Geometry(), "  Geometry: 400x300");

    // The virtual point (400, 300) is the client's centre: a quad up to it fills exactly the
    // lower-left quarter.
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1, 1, 1);
    glBegin(GL_QUADS);
    glVertex2i(0, 0);
    glVertex2i(400, 0);
    glVertex2i(400, 300);
    glVertex2i(0, 300);
    glEnd();
    glFinish();
    unsigned char inside[3] = {}, right[3] = {}, above[3] = {};
    glReadPixels(199, 149, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, inside);
    glReadPixels(200, 149, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, right);
    glReadPixels(199, 150, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, above);
    EXPECT_EQ(inside[0], 255);
    EXPECT_EQ(right[0], 0);
    EXPECT_EQ(above[0], 0);

    Shell("xdotool mousemove --window " + id_ + " 200 150");
    ASSERT_TRUE(Pump([] { return Has(WmMouseMove, 0, MakeLParam(200, 150)); }));
    EXPECT_EQ(MouseX, 400);
    EXPECT_EQ(MouseY, 300);

    // Only a real change is reported.
    Recorded.clear();
    Shell("xdotool windowsize " + id_ + " 400 300");
    Settle();
    EXPECT_FALSE(Has(WmSize, 0, MakeLParam(400, 300)));
}

TEST_F(X11Window, HiddenReportsAZeroClientAndShownTheSizeAgain) {
    Shell("xdotool windowunmap --sync " + id_);
    ASSERT_TRUE(Pump([] { return Has(WmSize, 1, MakeLParam(0, 0)); }));
    EXPECT_EQ(ScreenWidth, 0);
    EXPECT_EQ(ScreenHeight, 1);
    Shell("xdotool windowmap --sync " + id_);
    ASSERT_TRUE(Pump([] { return Has(WmSize, 0, MakeLParam(800, 600)); }));
    EXPECT_EQ(Viewport(), (std::vector<int>{0, 0, 800, 600}));
}

struct KeyCase {
    const char* Keys; // as xdotool names them
    std::vector<Seen> Expected;
};

TEST_F(X11Window, KeysArriveAsVirtualKeyMessages) {
    const KeyCase cases[] = {
        {"a", {{WmKeyDown, 65, 0}, {WmChar, 'a', 0}, {WmKeyUp, 65, 0}}},
        // xdotool lets go of the modifiers first.
        {"shift+a",
         {{WmKeyDown, 16, 0},
          {WmKeyDown, 65, 0},
          {WmChar, 'A', 0},
          {WmKeyUp, 16, 0},
          {WmKeyUp, 65, 0}}},
        {"shift+1",
         {{WmKeyDown, 16, 0},
          {WmKeyDown, 49, 0},
          {WmChar, '!', 0},
          {WmKeyUp, 16, 0},
          {WmKeyUp, 49, 0}}},
        {"Return", {{WmKeyDown, 13, 0}, {WmChar, 13, 0}, {WmKeyUp, 13, 0}}},
        {"BackSpace", {{WmKeyDown, 8, 0}, {WmChar, 8, 0}, {WmKeyUp, 8, 0}}},
        {"Escape", {{WmKeyDown, 27, 0}, {WmChar, 27, 0}, {WmKeyUp, 27, 0}}},
        {"Delete", {{WmKeyDown, 46, 0}, {WmChar, 127, 0}, {WmKeyUp, 46, 0}}},
        {"semicolon", {{WmKeyDown, 186, 0}, {WmChar, ';', 0}, {WmKeyUp, 186, 0}}},
        {"F10", {{WmSysKeyDown, 121, 0}, {WmSysKeyUp, 121, 0}}},
        {"XF86AudioMute", {{WmKeyDown, 173, 0}, {WmKeyUp, 173, 0}}},
        {"XF86Back", {{WmKeyDown, 166, 0}, {WmKeyUp, 166, 0}}},
        // A key let go after Alt is an ordinary key-up again.
        {"alt+b",
         {{WmSysKeyDown, 18, 0},
          {WmSysKeyDown, 66, 0},
          {WmSysChar, 'b', 0},
          {WmSysKeyUp, 18, 0},
          {WmKeyUp, 66, 0}}},
    };
    for (const KeyCase& c : cases) {
        Recorded.clear();
        Shell(std::string("xdotool key --delay 20 ") + c.Keys);
        Settle();
        EXPECT_EQ(Keyboard(), c.Expected) << c.Keys;
    }
    // System keys never reach the key table.
    EXPECT_FALSE(Keys[121]);
    EXPECT_FALSE(Keys[66]);
}

TEST_F(X11Window, KeypadDigitsFollowNumLock) {
    // The key by its keycode (79, KP_7), so xdotool leaves Num Lock alone.
    Shell("xdotool key 79");
    Settle();
    EXPECT_EQ(Keyboard(), (std::vector<Seen>{{WmKeyDown, 36, 0}, {WmKeyUp, 36, 0}}));
    Shell("xdotool key Num_Lock");
    Settle();
    Recorded.clear();
    Shell("xdotool key 79");
    Settle();
    EXPECT_EQ(Keyboard(),
              (std::vector<Seen>{{WmKeyDown, 103, 0}, {WmChar, '7', 0}, {WmKeyUp, 103, 0}}));
    Shell("xdotool key Num_Lock");
    Settle();
}

// Bit 30 of a key-down's lParam: the key was down already.
std::vector<bool> KeyDownsFoundDown(WParam key) {
    std::vector<bool> found;
    for (const Seen& seen : Recorded)
        if (seen.Message == WmKeyDown && seen.W == key) found.push_back((seen.L >> 30) & 1);
    return found;
}

TEST_F(X11Window, HeldKeyRepeatsItsKeyDownAloneWithTheKeyFoundDown) {
    Shell("xdotool keydown a; sleep 1.2; xdotool keyup a");
    Settle();
    std::vector<Seen> keys;
    for (const Seen& seen : Keyboard())
        if (seen.Message != WmChar) keys.push_back(seen);
    ASSERT_GE(keys.size(), 3u);
    for (std::size_t i = 0; i + 1 < keys.size(); ++i)
        EXPECT_EQ(keys[i], (Seen{WmKeyDown, 65, 0})) << i;
    EXPECT_EQ(keys.back(), (Seen{WmKeyUp, 65, 0}));
    std::vector<bool> repeats(keys.size() - 1, true);
    repeats.front() = false;
    EXPECT_EQ(KeyDownsFoundDown(65), repeats);
}

// Escape goes up while another window has the keyboard: the next press is a new one, as on
// Windows.
TEST_F(X11Window, KeyUpElsewhereLeavesTheKeyUpWhenTheKeyboardComesBack) {
    const std::string root = Shell("xwininfo -root -int | awk '/Window id/ {print $4}'");
    ASSERT_FALSE(root.empty());
    Shell("xdotool keydown Escape");
    Settle();
    // The root has the keyboard and the pointer is outside the window, so the root takes it.
    Shell("xdotool mousemove 1000 700 windowfocus " + root + " keyup Escape windowfocus " + id_ +
          " keydown Escape keyup Escape");
    Settle();
    std::vector<Seen> escapes;
    for (const Seen& seen : Keyboard())
        if (seen.W == 27 && seen.Message != WmChar) escapes.push_back(seen);
    EXPECT_EQ(escapes,
              (std::vector<Seen>{{WmKeyDown, 27, 0}, {WmKeyDown, 27, 0}, {WmKeyUp, 27, 0}}));
    EXPECT_EQ(KeyDownsFoundDown(27), (std::vector<bool>{false, false}));
    EXPECT_TRUE(Has(WmKillFocus, 0, 0));
}

TEST_F(X11Window, MouseMovesAndButtonsBecomeMouseMessages) {
    Shell("xdotool mousemove --window " + id_ + " 10 20");
    ASSERT_TRUE(Pump([] { return Has(WmMouseMove, 0, MakeLParam(10, 20)); }));
    EXPECT_EQ(MouseX, 10);
    EXPECT_EQ(MouseY, 580);

    Recorded.clear();
    Shell("xdotool mousedown 1");
    ASSERT_TRUE(Pump([] { return MouseClick; }));
    EXPECT_TRUE(Has(WmLButtonDown, 1, MakeLParam(10, 20)));
    SettleMouse(); // a frame's update saw the press, so the release ends it at once
    Shell("xdotool mouseup 1");
    ASSERT_TRUE(Pump([] { return !MouseClick; }));
    EXPECT_TRUE(Has(WmLButtonUp, 0, MakeLParam(10, 20)));

    struct ButtonCase {
        const char* Button;
        std::vector<Seen> Expected;
    };
    const WParam up = static_cast<WParam>(120) << 16;
    const WParam down = static_cast<WParam>(static_cast<std::uint16_t>(-120)) << 16;
    // The wheel reports screen points; the window sits at the screen's origin.
    const ButtonCase cases[] = {
        {"2", {{WmMButtonDown, 0x10, MakeLParam(10, 20)}, {WmMButtonUp, 0, MakeLParam(10, 20)}}},
        {"3", {{WmRButtonDown, 0x02, MakeLParam(10, 20)}, {WmRButtonUp, 0, MakeLParam(10, 20)}}},
        {"4", {{WmMouseWheel, up, MakeLParam(10, 20)}}},
        {"5", {{WmMouseWheel, down, MakeLParam(10, 20)}}},
    };
    for (const ButtonCase& c : cases) {
        Recorded.clear();
        Shell(std::string("xdotool click ") + c.Button);
        Settle();
        EXPECT_EQ(Recorded, c.Expected) << "button " << c.Button;
    }
    EXPECT_FALSE(MouseClick);

    // X reports a pointer dragged out of the window until the release; Windows reports neither
    // the moves outside nor the release there, so the click stays latched and the mouse where
    // it last was inside. The client spans screen points 100 to 899 and 100 to 699.
    Shell("xdotool windowmove " + id_ + " 100 100");
    Settle();
    const struct {
        const char* What;
        int ScreenX, ScreenY;
        bool Inside;
    } drags[] = {
        {"off the left edge", 50, 120, false}, {"off the right edge", 950, 120, false},
        {"off the top edge", 300, 50, false},  {"off the bottom edge", 300, 720, false},
        {"within the window", 300, 300, true},
    };
    for (const auto& drag : drags) {
        SCOPED_TRACE(drag.What);
        MouseClick = false;
        Recorded.clear();
        Shell("xdotool mousemove --window " + id_ + " 10 20 sleep 0.05 mousedown 1 sleep 0.05 " +
              "mousemove " + std::to_string(drag.ScreenX) + " " + std::to_string(drag.ScreenY) +
              " sleep 0.05 mouseup 1");
        Settle();
        SettleMouse(); // the next update: a release that arrived has taken effect by now
        ASSERT_FALSE(Recorded.empty());
        std::vector<Seen> after; // what came after the press
        for (std::size_t i = 0; i < Recorded.size(); ++i)
            if (Recorded[i] == Seen{WmLButtonDown, 1, MakeLParam(10, 20)})
                after.assign(Recorded.begin() + static_cast<std::ptrdiff_t>(i) + 1, Recorded.end());
        const LParam at = MakeLParam(static_cast<std::uint16_t>(drag.ScreenX - 100),
                                     static_cast<std::uint16_t>(drag.ScreenY - 100));
        if (drag.Inside) {
            EXPECT_EQ(after, (std::vector<Seen>{{WmMouseMove, 1, at}, {WmLButtonUp, 0, at}}));
        } else {
            EXPECT_EQ(after, std::vector<Seen>{});
            EXPECT_EQ(MouseX, 10);
        }
        EXPECT_EQ(MouseClick, !drag.Inside);
    }
}

TEST_F(X11Window, CloseRequestBecomesCloseThenQuitZero) {
    Shell("python3 " QUORVIN_SOURCE_DIR "/tools/close-window " + id_);
    ASSERT_TRUE(Pump([] { return QuitCode >= 0; }));
    EXPECT_EQ(QuitCode, 0);
    EXPECT_TRUE(Has(WmClose, 0, 0));
    // The window stays until it is destroyed.
    EXPECT_EQ(Shell("xdotool search --onlyvisible --name '^OpenGL$'"), id_);
}

TEST_F(X11Window, AltF4ClosesLikeTheCloseBox) {
    Shell("xdotool key alt+F4");
    ASSERT_TRUE(Pump([] { return QuitCode >= 0; }));
    EXPECT_EQ(QuitCode, 0);
    std::vector<std::uint32_t> order;
    for (const Seen& seen : Recorded)
        if (seen.Message == WmClose || seen.Message == WmSysCommand ||
            (seen.Message == WmSysKeyDown && seen.W == 115))
            order.push_back(seen.Message);
    EXPECT_EQ(order, (std::vector<std::uint32_t>{WmSysKeyDown, WmSysCommand, WmClose}));
    EXPECT_FALSE(Keys[115]);
}

TEST_F(X11Window, PostedMessagesComeBeforeLaterEventsInOrder) {
    Shell("xdotool mousemove --window " + id_ + " 30 40");
    ASSERT_TRUE(SysPostMessage(WmKeyDown, 70, 0));
    ASSERT_TRUE(SysPostMessage(WmKeyUp, 70, 0));
    ASSERT_TRUE(Pump([] { return Has(WmMouseMove, 0, MakeLParam(30, 40)); }));
    ASSERT_GE(Recorded.size(), 3u);
    EXPECT_EQ(Recorded[0], (Seen{WmKeyDown, 70, 0}));
    EXPECT_EQ(Recorded[1], (Seen{WmKeyUp, 70, 0}));
}

TEST_F(X11Window, DestroyReleasesSilentlyAndAWindowCanBeMadeAgain) {
    testing::internal::CaptureStdout();
    DestroyGameWindow(false);
    open_ = false;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    ASSERT_FALSE(Recorded.empty());
    EXPECT_EQ(Recorded.back(), (Seen{WmDestroy, 0, 0}));
    EXPECT_FALSE(SysPostMessage(WmKeyDown, 65, 0));
    EXPECT_EQ(Shell("xdotool search --name '^OpenGL$'"), "");

    open_ = CreateGameWindow(800, 600, false, 32, RecordingProc);
    ASSERT_TRUE(open_);
    EXPECT_EQ(Viewport(), (std::vector<int>{0, 0, 800, 600}));
}
} // namespace

// BOBs: frames and cells, animation, wrap and rebound, overlap, copies, keyed and scaled drawing.

#include <deque>

#include "engine_test_support.h"

namespace {

constexpr BYTE background = 0xEE;

BYTE &at(IDirectDrawSurface *surface, int x, int y) {
    return surface->pixels[static_cast<std::size_t>(y) * surface->pitch + x];
}

// BOBs drawn on the back surface, clipped to the screen and filled with the background.
struct BobTest : DisplayTest {
    void SetUp() override {
        DisplayTest::SetUp();
        const RECT whole{0, 0, 640, 480};
        ASSERT_NE(main_clipper = display_attach_clipper(back_surface, 1, &whole), nullptr);
        std::memset(back_surface->pixels.data(), background, back_surface->pixels.size());
    }
    void TearDown() override {
        for (BOB &bob : made)
            bob_destroy(&bob);
        DisplayTest::TearDown();
    }
    BOB &create(int width, int height, int frames, int attr = BOB_SHOWN) {
        BOB &bob = made.emplace_back();
        EXPECT_EQ(bob_create(&bob, 0, 0, width, height, frames, attr, DDSCAPS_SYSTEMMEMORY), 1);
        return bob;
    }
    // Fills a frame with 1 + x + 8 y, except that column 0 holds the key colour 0.
    static void paint_frame(BOB &bob, int frame) {
        for (int y = 0; y < bob.height; ++y)
            for (int x = 0; x < bob.width; ++x)
                at(bob.frames[frame], x, y) = x == 0 ? 0 : static_cast<BYTE>(1 + x + 8 * y);
    }
    IDirectDrawSurface *&screen = back_surface;
    std::deque<BOB> made; // stable addresses
};

TEST_F(BobTest, CreateMakesKeyedSurfacesAMultipleOfEightWide) {
    BOB &wide = create(56, 72, 3);
    BOB &narrow = create(50, 10, 64);
    create(1, 1, 1); // the smallest BOB is made too
    EXPECT_EQ((std::vector{wide.width_fill, narrow.width_fill, wide.frames[2]->width,
                           narrow.frames[63]->width, int(narrow.frames[63]->has_color_key)}),
              (std::vector{0, 6, 56, 56, 1}));
    EXPECT_EQ(wide.frames[3], nullptr);
    // Refused requests leave no frames or sequences in the (garbage) record for destroy to free.
    BOB bob;
    for (const auto &[width, height, frames] :
         {std::tuple{8, 8, 65}, {8, 8, -1}, {0, 8, 1}, {8, -3, 1}, {INT_MAX, 8, 1}}) {
        std::memset(&bob, 0x5A, sizeof bob);
        EXPECT_EQ(bob_create(&bob, 0, 0, width, height, frames, 0, 0), 0);
        EXPECT_TRUE(all_bytes(bob.frames, sizeof bob.frames, 0) &&
                    all_bytes(bob.anims, sizeof bob.anims, 0));
        EXPECT_EQ(bob_destroy(&bob), 1);
    }
    // A failing surface keeps those made before it for bob_destroy; the user words stay untouched.
    std::memset(&bob, 0x5A, sizeof bob);
    testing_fail("CreateSurface", 1, 1);
    EXPECT_EQ(bob_create(&bob, 3, 4, 13, 5, 4, 0, DDSCAPS_SYSTEMMEMORY), 0);
    EXPECT_TRUE(bob.frames[0] != nullptr && bob.frames[1] == nullptr &&
                bob.user_words[31] == 0x5A5A5A5Au);
    bob_destroy(&bob);
}

TEST_F(BobTest, LoadFrameCopiesCellsLeavesTheFillBytesAndRefusesWhatDoesNotExist) {
    // 3 x 2 cells of 50 x 72 between 1-pixel borders, 154 x 147 pixels never 0 nor like a
    // neighbour.
    const auto value = [](int x, int y) { return BYTE(1 + (x + 7 * y) % 250); };
    std::vector<BYTE> pixels(154 * 147);
    for (int i = 0; i < 154 * 147; ++i)
        pixels[i] = value(i % 154, i / 154);
    BitmapFile bitmap{};
    bitmap.info_header = {40, 154, 147, 1, 8, 0, 0, 0, 0, 0, 0};
    bitmap.pixels = pixels.data();
    BOB &bob = create(50, 72, 2);
    IDirectDrawSurface *frame = bob.frames[1];
    std::memset(frame->pixels.data(), background, frame->pixels.size());
    // Refused: frames 2, -1, column 3, row 2, pixels (mode not 0) left of or past it; no or 16-bit
    // bitmap.
    for (const auto &[f, cx, cy, mode] : {std::array{2, 0, 0, 0}, {-1, 0, 0, 0}, {1, 3, 0, 0},
                                          {1, 0, 2, 0}, {1, -1, 0, 1}, {1, 105, 75, 1}})
        EXPECT_EQ(bob_load_frame(&bob, &bitmap, f, cx, cy, mode), 0) << f << cx << cy << mode;
    EXPECT_EQ(bob_load_frame(&bob, nullptr, 1, 0, 0, 0), 0);
    bitmap.info_header.biBitCount = 16;
    EXPECT_EQ(bob_load_frame(&bob, &bitmap, 1, 0, 0, 0), 0);
    bitmap.info_header.biBitCount = 8;
    IDirectDrawSurface *wider = display_create_surface(64, 72, DDSCAPS_SYSTEMMEMORY);
    std::swap(bob.frames[0], wider); // rows laid out otherwise than the BOB's would be overrun
    EXPECT_EQ(bob_load_frame(&bob, &bitmap, 0, 0, 0, 0), 0);
    std::swap(bob.frames[0], wider);
    wider->Release();
    EXPECT_TRUE(all_bytes(frame->pixels, background) && !(bob.attr & BOB_HAS_FRAMES));
    ASSERT_EQ(bob_load_frame(&bob, &bitmap, 1, 2, 1, 0), 1);
    EXPECT_TRUE(bob.attr & BOB_HAS_FRAMES);
    for (int y = 0; y < 72; ++y)
        for (int x = 0; x < 56; ++x)
            ASSERT_EQ(at(frame, x, y), x < 50 ? value(103 + x, 74 + y) : background)
                << x << "," << y;
    ASSERT_EQ(bob_load_frame(&bob, &bitmap, 0, 104, 75, 5), 1);
    EXPECT_EQ((std::pair{at(bob.frames[0], 0, 0), at(bob.frames[0], 49, 71)}),
              (std::pair{value(104, 75), value(153, 146)}));
}

std::vector<int> frames_shown(BOB &bob, int calls) {
    std::vector<int> shown;
    for (int call = 0; call < calls; ++call)
        shown.push_back((bob_animate(&bob), bob.curr_frame));
    return shown;
}

TEST_F(BobTest, AnimationModesStepInTheirOrder) {
    // Play-once ends on the last entry and stays there (the karts' sequences are the golden
    // replays').
    BOB &bob = create(8, 8, 3, BOB_SEQUENCES | BOB_PLAY_ONCE);
    const int once[] = {5, 6, 7};
    ASSERT_EQ(bob_load_animation(&bob, 0, 3, once), 1);
    bob_set_animation(&bob, 0);
    EXPECT_EQ((std::pair{frames_shown(bob, 2), bob.anim_state}), (std::pair{std::vector{6, 7}, 0}));
    EXPECT_EQ((std::pair{frames_shown(bob, 3), bob.anim_state}),
              (std::pair{std::vector{7, 7, 7}, 1}));
    bob.attr = BOB_CYCLE_FRAMES | BOB_SEQUENCES; // cycling wins over sequences, and still over both
    bob.curr_frame = 0;
    bob_set_anim_speed(&bob, 2);
    EXPECT_EQ(frames_shown(bob, 7), (std::vector<int>{0, 1, 1, 2, 2, 0, 0}));
    bob.attr |= BOB_STILL;
    bob.curr_frame = 2;
    EXPECT_EQ(frames_shown(bob, 1), (std::vector<int>{0}));
}

TEST_F(BobTest, SequencesThatAreMissingOrShortAreNeverReadPastTheirEnd) {
    BOB &bob = create(8, 8, 4, BOB_SEQUENCES);
    EXPECT_EQ(bob_animate(&bob), 0); // no sequence in slot 0, then one without entries
    ASSERT_EQ(bob_load_animation(&bob, 0, 0, nullptr), 1);
    EXPECT_EQ((std::array{bob_animate(&bob), bob.anim_tick}), (std::array{0, 0}));
    // A shorter sequence loaded while the position is further on counts as ended.
    const int longer[] = {0, 1, 2, 3}, shorter[] = {3};
    ASSERT_EQ(bob_load_animation(&bob, 1, 4, longer), 1);
    bob_set_animation(&bob, 1);
    frames_shown(bob, 2);
    ASSERT_EQ(bob_load_animation(&bob, 1, 1, shorter), 1);
    EXPECT_EQ((std::pair{frames_shown(bob, 1), bob.anim_pos}), (std::pair{std::vector{3}, 0}));
    bob.anim_pos = bob.anim_tick = bob.anim_delay = INT_MAX; // wrap to the sequence's start
    EXPECT_EQ((std::array{bob_animate(&bob), bob.anim_pos}), (std::array{1, 0}));
    EXPECT_EQ(bob_load_animation(&bob, 16, 1, shorter) + bob_load_animation(&bob, 2, -1, shorter) +
                  bob_set_animation(&bob, -1), 0);
    EXPECT_EQ(bob.curr_anim, 1);
}

TEST_F(BobTest, WrapAndReboundAtTheClipRectangle) {
    BOB &bob = create(56, 72, 1);
    // Wrapping wins, re-entering from just outside the other side; a rebound turns the velocity
    // only.
    constexpr int W = BOB_WRAP_EDGES | BOB_REBOUND, R = BOB_REBOUND;
    // attr, across (1) or down (0), from, velocity, to, velocity after
    const int moves[][6] = {{W, 1, 630, 10, -56, 10},
                            {W, 1, -50, -7, 639, -7},
                            {W, 1, 630, 9, 639, 9},
                            {W, 1, -50, -6, -56, -6},
                            {W, 0, 470, 10, -72, 10},
                            {W, 0, -70, -3, 479, -3},
                            {W, 0, 470, 9, 479, 9},
                            {W, 0, -70, -2, -72, -2},
                            {R, 1, 580, 3, 583, 3},
                            {R, 1, 580, 4, 584, -4},
                            {R, 1, 2, -2, 0, -2},
                            {R, 1, 2, -3, -1, 3},
                            {R, 0, 400, 7, 407, 7},
                            {R, 0, 400, 8, 408, -8},
                            {R, 0, 1, -2, -1, 2},
                            // At the ends of the int range the sums wrap and no check overflows
                            // (the sanitizer sees it).
                            {BOB_WRAP_EDGES, 1, INT_MAX, 1, 639, 1},
                            {BOB_WRAP_EDGES, 1, INT_MIN, -1, -56, -1},
                            {R, 1, INT_MAX - 1, 1, INT_MAX, -1},
                            {R, 1, 0, INT_MIN, INT_MIN, INT_MIN},
                            {R, 1, INT_MIN, -1, INT_MAX, 1}};
    for (const auto &m : moves) {
        bob.attr = m[0];
        bob_set_position(&bob, m[1] ? m[2] : 100, m[1] ? 100 : m[2]);
        bob_set_velocity(&bob, m[1] ? m[3] : 0, m[1] ? 0 : m[3]);
        ASSERT_EQ(bob_move(&bob), 1);
        EXPECT_EQ((std::pair{m[1] ? bob.x : bob.y, m[1] ? bob.vx : bob.vy}),
                  (std::pair{m[4], m[5]}))
            << m[0] << (m[1] ? " across " : " down ") << m[2] << " + " << m[3];
    }
}

TEST(BobCollide, ExtentsAreShrunkAndMeasuredFromThreeEighthsIn) {
    // 56 x 72 karts: half-extents 21, 27; 16 wide (6) at 0 and 32 wide (12) meet if |x2 + 6| < 18.
    const int cases[][9] = {
        {100, 100, 56, 72, 141, 100, 56, 72, 1}, {100, 100, 56, 72, 142, 100, 56, 72, 0},
        {100, 100, 56, 72, 59, 100, 56, 72, 1},  {100, 100, 56, 72, 58, 100, 56, 72, 0},
        {100, 100, 56, 72, 100, 153, 56, 72, 1}, {100, 100, 56, 72, 100, 154, 56, 72, 0},
        {0, 0, 16, 16, 11, 0, 32, 32, 1},        {0, 0, 16, 16, 12, 0, 32, 32, 0},
        {0, 0, 16, 16, -23, 0, 32, 32, 1},       {0, 0, 16, 16, -24, 0, 32, 32, 0},
        {5, 5, 2, 2, 5, 5, 2, 2, 1},             {5, 5, 1, 1, 5, 5, 1, 1, 0}};
    for (const auto &c : cases)
        EXPECT_EQ(rects_collide(c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]), c[8])
            << c[0] << "," << c[4] << "," << c[5];
    BOB a{}, b{};
    a.width = b.width = 56, a.height = b.height = 72, b.x = 41, b.y = -53;
    EXPECT_EQ(bob_collide(&a, &b) + bob_collide(&a, nullptr), 1);
}

TEST_F(BobTest, CloneAndDetachLeaveTheSourceWhole) {
    BOB &source = create(8, 4, 2, BOB_SHOWN | BOB_SEQUENCES);
    source.user_words[7] = 1234;
    const int walk[] = {1, 0};
    ASSERT_EQ(bob_load_animation(&source, 0, 2, walk), 1);
    paint_frame(source, 1);
    BOB copy;
    ASSERT_EQ(bob_clone(&source, &copy), 1);
    EXPECT_TRUE(copy.attr == (source.attr | BOB_IS_COPY) && copy.user_words[7] == 1234u &&
                copy.frames[1] == source.frames[1]);
    // The source reloading its slots leaves the copy's sequences readable (the sanitizer sees it).
    const std::vector<int> longer(40, 1);
    for (int reload = 0; reload < 6; ++reload) {
        ASSERT_EQ(bob_load_animation(&source, 0, reload % 2 ? 1 : 40, longer.data()), 1);
        frames_shown(copy, 3);
    }
    EXPECT_EQ(bob_load_animation(&copy, 0, 1, walk), 0);
    ASSERT_EQ(bob_destroy_or_detach(&copy), 1);
    EXPECT_EQ(copy.frames[1], nullptr);
    ASSERT_EQ(bob_load_animation(&source, 0, 2, walk), 1);
    EXPECT_EQ(frames_shown(source, 2), (std::vector<int>{0, 1}));
    bob_set_position(&source, 20, 30);
    EXPECT_EQ((std::array{bob_draw(&source, screen), int(at(screen, 21, 30))}), (std::array{1, 2}));
}

TEST_F(BobTest, DrawSkipsKeyPixelsShowsOnlyTheVisiblePartAndScalesLessTheLastRowAndColumn) {
    BOB &bob = create(8, 6, 2);
    paint_frame(bob, 1);
    bob.curr_frame = 1;
    for (auto [left, top] : {std::pair{10, 20}, {-3, 477}, {636, -2}}) {
        bob_set_position(&bob, left, top);
        ASSERT_EQ(bob_draw(&bob, screen), 1);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 8; ++x) {
                const int sx = left + x, sy = top + y;
                ASSERT_TRUE(sx < 0 || sx >= 640 || sy < 0 || sy >= 480 ||
                            at(screen, sx, sy) == (x == 0 ? background : BYTE(1 + x + 8 * y)))
                    << sx << ", " << sy;
            }
    }
    EXPECT_EQ((std::pair{at(screen, 18, 20), at(screen, 0, 1)}),
              (std::pair{background, background})); // no spill
    // Off the screen, hidden or with no such frame: nothing drawn; edges past 32 bits: a failed
    // blit.
    const std::vector<BYTE> before = screen->pixels;
    for (auto [x, drawn, scaled] :
         {std::tuple{640, 1, 0}, {INT_MAX - 8, 1, 0}, {INT_MAX - 7, 0, 0}, {INT_MIN, 1, 1}}) {
        bob_set_position(&bob, x, 100);
        EXPECT_EQ(bob_draw(&bob, screen), drawn) << x;
        EXPECT_EQ(bob_draw_scaled(&bob, INT_MAX, 100, screen), scaled) << x;
    }
    bob_set_position(&bob, 100, 100);
    bob_hide(&bob);
    EXPECT_EQ(bob_draw(&bob, screen), 1);
    bob_show(&bob);
    bob.curr_frame = 2;
    EXPECT_EQ(bob_draw(&bob, screen), 0);
    EXPECT_EQ(bob_draw(nullptr, screen) + bob_draw_scaled(nullptr, 8, 8, screen), 0);
    EXPECT_EQ(screen->pixels, before);
    // Scaled, the frame less its last row and column: 7 x 5 pixels onto 14 x 10, 2 x 2 each.
    bob.curr_frame = 1;
    bob_set_position(&bob, 100, 50);
    ASSERT_EQ(bob_draw_scaled(&bob, 15, 11, screen), 1);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 15; ++x) {
            const int fx = x / 2, fy = y / 2;
            const bool drawn = x < 14 && y < 10 && fx > 0;
            ASSERT_EQ(at(screen, 100 + x, 50 + y), drawn ? BYTE(1 + fx + 8 * fy) : background)
                << x << ", " << y;
        }
}

} // namespace

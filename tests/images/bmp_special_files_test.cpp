// The BMP reader on names that are not regular files (POSIX): refused at once, size kept.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <string>

#include "images/bmp.h"

namespace {

struct SpriteDeleter {
    void operator()(Sprite* s) const { delete[] s->bits, delete s; }
};
using SpritePtr = std::unique_ptr<Sprite, SpriteDeleter>;

const std::string corpus = PICTAVON_CORPUS "/";

// A fresh directory for one test's names.
std::string make_dir(const char* name) {
    std::string dir = testing::TempDir() + name;
    mkdir(dir.c_str(), 0700);
    return dir;
}

// Loads a known picture so that a refused load can be seen to keep its size.
void load_w4_first() {
    SpritePtr s(load_sprite((corpus + "w4.bmp").c_str()));
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(bmp_width, 4);
}

TEST(LoadSpecialFiles, AFifoWithNoWriterIsRefusedAtOnce) {
    load_w4_first();
    std::string fifo = make_dir("bmp-fifo") + "/balle.bmp";
    unlink(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    auto loading = std::async(std::launch::async, [&] { return load_sprite(fifo.c_str()); });
    if (loading.wait_for(std::chrono::seconds(2)) != std::future_status::ready) {
        // Blocked in the open: a writer lets it go, so that the test ends.
        int writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) close(writer);
        ADD_FAILURE() << "load_sprite waited on a FIFO with no writer";
    }
    EXPECT_EQ(SpritePtr(loading.get()), nullptr);
    EXPECT_EQ(bmp_width, 4);
    unlink(fifo.c_str());
}

TEST(LoadSpecialFiles, DevicesDirectoriesAndLinksToThemAreRefusedLinksToFilesAreRead) {
    load_w4_first();
    std::string dir = make_dir("bmp-links");
    std::string to_zero = dir + "/zero.bmp", to_picture = dir + "/w4.bmp";
    unlink(to_zero.c_str());
    unlink(to_picture.c_str());
    ASSERT_EQ(symlink("/dev/zero", to_zero.c_str()), 0);
    ASSERT_EQ(symlink((corpus + "w4.bmp").c_str(), to_picture.c_str()), 0);
    for (const std::string& name : {std::string("/dev/zero"), std::string("/dev/null"), to_zero, dir}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(SpritePtr(load_sprite(name.c_str())), nullptr);
        EXPECT_EQ(bmp_width, 4);
        EXPECT_EQ(bmp_height, 2);
    }
    SpritePtr s(load_sprite(to_picture.c_str()));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->cx, 4);
}

}  // namespace

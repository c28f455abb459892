// Test helpers shared by the unit and end-to-end tests.
#include "tests/support.h"

#include "app/shell.h"
#include "core/rand15.h"
#include "effects/fire_ring.h"
#include "effects/vortex.h"
#include "platform/harness/harness.h"
#include "platform/host/startup.h"

#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/wait.h>

// The tests find the demo's files as the programs do.
const bool dataFolderFound = EnterDataFolder("korvale-tests");

bool OpenTestWindow()
{
    Harness harness;
    InstallHarness(harness);
    return OpenDemoWindow(windowTitle, 640, 480, 32, false);
}

void CloseTestWindow()
{
    CloseDemoWindow();
    RemoveHarness();
}

std::vector<uint8_t> ReadFrameRgb(int& width, int& height)
{
    std::vector<uint8_t> rgb;
    if (!HarnessReadFrame(rgb, width, height))
        width = height = 0;
    return rgb;
}

bool WritePng(const std::string& path, const std::vector<uint8_t>& rgb, int width, int height)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    if (rgb.size() < PNG_IMAGE_SIZE(image))
        return false;
    return png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
}

bool ReadPng(const std::string& path, std::vector<uint8_t>& rgb, int& width, int& height)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return false;
    image.format = PNG_FORMAT_RGB;
    rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr))
        return false;
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    return true;
}

::testing::AssertionResult MatchesGolden(const std::string& name, const std::vector<uint8_t>& rgb, int width,
                                         int height)
{
    const std::string path = std::string(KORVALE_SOURCE_DIR) + "/tests/golden/" + name + ".png";
    const char* update = getenv("KORVALE_UPDATE_GOLDEN");
    if (update && std::string(update) == "1") {
        if (!WritePng(path, rgb, width, height))
            return ::testing::AssertionFailure() << "cannot write " << path;
        return ::testing::AssertionSuccess() << "wrote " << path;
    }
    std::vector<uint8_t> golden;
    int goldenWidth = 0, goldenHeight = 0;
    if (!ReadPng(path, golden, goldenWidth, goldenHeight))
        return ::testing::AssertionFailure() << "no golden picture " << path;
    if (goldenWidth != width || goldenHeight != height)
        return ::testing::AssertionFailure() << "size " << width << "x" << height << ", golden " << goldenWidth
                                             << "x" << goldenHeight;
    size_t outliers = 0;
    int worst = 0;
    for (size_t i = 0; i < rgb.size(); ++i) {
        int difference = std::abs(int(rgb[i]) - int(golden[i]));
        worst = std::max(worst, difference);
        if (difference > 8)
            ++outliers;
    }
    // Up to 0.5% of the channels may differ by more than 8 levels.
    if (outliers * 200 > rgb.size()) {
        WritePng(std::string(KORVALE_BINARY_DIR) + "/" + name + "-actual.png", rgb, width, height);
        return ::testing::AssertionFailure() << outliers << " channels differ by more than 8 (worst " << worst
                                             << "); picture written to " << name << "-actual.png";
    }
    return ::testing::AssertionSuccess();
}

int RunCapture(const std::string& args, std::string* stderrText)
{
    const std::string errPath = TempDir("capture-stderr") + "/stderr.txt";
    const std::string command = std::string("cd '") + KORVALE_BINARY_DIR + "' && '" + KORVALE_CAPTURE + "' " + args +
                                " 2> '" + errPath + "'";
    int status = std::system(command.c_str());
    if (stderrText) {
        std::ifstream in(errPath);
        stderrText->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> ReadLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

std::string TempDir(const std::string& name)
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string test = info ? std::string(info->test_suite_name()) + "." + info->name() : "none";
    std::filesystem::path dir = std::filesystem::path(KORVALE_BINARY_DIR) / "test-output" / test / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return !out.fail();
}

bool BangDue(long call)
{
    return call == 6012 || (call >= 6262 && (call - 6262) % 251 == 0);
}

uint64_t InitSceneDraws()
{
    uint64_t before = randDraws;
    InitRingParticles();
    uint64_t ring = randDraws - before;
    before = randDraws;
    InitVortexParticles();
    uint64_t vortex = randDraws - before;
    EXPECT_TRUE(ring == 0 || ring == 5400) << ring;
    EXPECT_TRUE(vortex == 0 || vortex == 3000) << vortex;
    return ring + vortex + 3000 + 404;
}

double StateField(const std::string& line, const std::string& field)
{
    const std::string key = "\"" + field + "\":";
    size_t at = line.find(key);
    if (at == std::string::npos)
        return NAN;
    return std::strtod(line.c_str() + at + key.size(), nullptr);
}

std::vector<std::string> StateSounds(const std::string& line)
{
    std::vector<std::string> sounds;
    size_t at = line.find("\"sounds\":[");
    if (at == std::string::npos)
        return sounds;
    size_t end = line.find(']', at);
    size_t pos = at + 10;
    while (true) {
        size_t open = line.find('"', pos);
        if (open == std::string::npos || open > end)
            break;
        size_t close = line.find('"', open + 1);
        sounds.push_back(line.substr(open + 1, close - open - 1));
        pos = close + 1;
    }
    return sounds;
}

int StateInt(const std::string& line, const std::string& field) { return static_cast<int>(StateField(line, field)); }

bool StatePlayed(const std::string& line, const std::string& file)
{
    for (const std::string& s : StateSounds(line))
        if (s == file)
            return true;
    return false;
}

double Mean(const std::vector<double>& values)
{
    double total = 0;
    for (double v : values)
        total += v;
    return total / values.size();
}

double Correlation(const std::vector<double>& a, const std::vector<double>& b)
{
    const double meanA = Mean(a), meanB = Mean(b);
    double ab = 0, aa = 0, bb = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        ab += (a[i] - meanA) * (b[i] - meanB);
        aa += (a[i] - meanA) * (a[i] - meanA);
        bb += (b[i] - meanB) * (b[i] - meanB);
    }
    return ab / std::sqrt(aa * bb);
}

int Count(const std::string& text, const std::string& part)
{
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

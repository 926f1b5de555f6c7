#include <gtest/gtest.h>

#include "core/temp_dir.h"

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "store/data_ini.h"

namespace mouse {
namespace {

namespace fs = std::filesystem;

struct TempDir : test::TempDir {
    TempDir() : test::TempDir("mouse-ini") {}
};

void ExpectDefaults(const DeviceConfig& c) {
    EXPECT_EQ(c.vid, 0x04D9);
    EXPECT_EQ(c.pid, 0xA09F);
    EXPECT_EQ(c.dpi, -1);
    EXPECT_EQ(c.sensor, -1);
    EXPECT_EQ(c.distance, -1);
    EXPECT_EQ(c.distanceMin, 0);
    EXPECT_EQ(c.distanceMax, 0);
    EXPECT_EQ(c.verH, -1);
    EXPECT_EQ(c.verL, -1);
    EXPECT_EQ(c.update, -1);
    for (const auto& o : c.buttonOverrides) {
        EXPECT_EQ(o.code[0] | o.code[1] | o.code[2] | o.code[3] | o.useProfile, 0);
    }
    for (uint8_t v : c.distanceValue) {
        EXPECT_EQ(v, 0);
    }
}

TEST(DataIni, MissingOrEmptyGivesDefaults) {
    ExpectDefaults(ParseDeviceConfig(""));
    ExpectDefaults(ParseDeviceConfig("[Other]\nVID=1234\n"));
    ExpectDefaults(ParseDeviceConfig("VID=1234\nSensor=3050\n"));  // before any section
    TempDir dir;
    ExpectDefaults(LoadDeviceConfig((dir.path() / "Data.ini").string()));
    ExpectDefaults(LoadDeviceConfig(dir.path().string()));  // a folder, not a file
}

TEST(DataIni, FullFile) {
    const auto c = ParseDeviceConfig(
        "[Default]\n"
        "VID=258a\n"
        "PID=0x1007\n"
        "DPI=6\n"
        "Sensor=3327\n"
        "Distance=1\n"
        "Distance_Min=0a\n"
        "Distance_Max=1F\n"
        "Ver_H=2\n"
        "Ver_L=15\n"
        "Update=0\n"
        "Distance_Value=1,2,3,4,5,6,7,300\n"
        "[BUTTON]\n"
        "1=01,00,f0,00,01\n"
        "64=0a,0B,ff,10,00\n");
    EXPECT_EQ(c.vid, 0x258A);
    EXPECT_EQ(c.pid, 0x1007);
    EXPECT_EQ(c.dpi, 6);
    EXPECT_EQ(c.sensor, 3327);
    EXPECT_EQ(c.distance, 1);
    EXPECT_EQ(c.distanceMin, 0x0A);
    EXPECT_EQ(c.distanceMax, 0x1F);
    EXPECT_EQ(c.verH, 2);
    EXPECT_EQ(c.verL, 15);
    EXPECT_EQ(c.update, 0);
    EXPECT_EQ(c.distanceValue, (std::array<uint8_t, 8>{1, 2, 3, 4, 5, 6, 7, 300 & 0xFF}));
    const auto& first = c.buttonOverrides[0];
    EXPECT_EQ(first.code[0], 1);
    EXPECT_EQ(first.code[1], 0);
    EXPECT_EQ(first.code[2], 0xF0);
    EXPECT_EQ(first.code[3], 0);
    EXPECT_EQ(first.useProfile, 1);
    const auto& last = c.buttonOverrides[63];
    EXPECT_EQ(last.code[0], 0x0A);
    EXPECT_EQ(last.code[1], 0x0B);
    EXPECT_EQ(last.code[2], 0xFF);
    EXPECT_EQ(last.code[3], 0x10);
    EXPECT_EQ(last.useProfile, 0);
    EXPECT_EQ(c.buttonOverrides[1].code[2], 0);
}

TEST(DataIni, NamesIgnoreCaseAndBlanks) {
    const auto c = ParseDeviceConfig(
        "; comment line\n"
        "  [ default ]  \n"
        "  sensor =  3104  \n"
        "SENSOR=3050\n"  // the first occurrence wins
        ";Ver_H=9\n"
        "ver_h\t=\t7\n"
        "[button]\n"
        " 3 = 05 , 06 , 07 , 08 , 01 \n"
        "[DEFAULT]\n"  // a second section of the same name is not searched
        "Update=5\n");
    EXPECT_EQ(c.sensor, 3104);
    EXPECT_EQ(c.verH, 7);
    EXPECT_EQ(c.update, -1);
    EXPECT_EQ(c.buttonOverrides[2].code[0], 5);
    EXPECT_EQ(c.buttonOverrides[2].code[3], 8);
    EXPECT_EQ(c.buttonOverrides[2].useProfile, 1);
}

TEST(DataIni, IntegerForms) {
    struct Case {
        std::string value;
        int expected;
    };
    const Case cases[] = {
        {"3050", 3050}, {"+12", 12},    {"-7", -7}, {"12abc", 12},      {"abc", 0}, {"0x10", 0},
        {"", -1},       {"\"42\"", 42}, {"- 5", 0}, {"4294967295", -1}, {"007", 7},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseDeviceConfig("[Default]\nSensor=" + c.value + "\n").sensor, c.expected)
            << "'" << c.value << "'";
    }
}

TEST(DataIni, HexForms) {
    struct Case {
        std::string value;
        int expected;
    };
    const Case cases[] = {
        {"04d9", 0x04D9}, {"04D9", 0x04D9}, {"0X1a2B", 0x1A2B}, {"ff zz", 0xFF},
        {"0", 0},         {"0x", 0},        {"zz", 0xA09F},     {"", 0xA09F},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseDeviceConfig("[Default]\nPID=" + c.value + "\n").pid, c.expected)
            << "'" << c.value << "'";
    }
}

TEST(DataIni, MalformedListsKeepZerosWhereFieldsDoNotParse) {
    const auto c = ParseDeviceConfig(
        "[Default]\n"
        "Distance_Value=5,x,-1,,9\n"
        "[BUTTON]\n"
        "1=01,zz,03\n"
        "2=garbage\n"
        "3=1ff,2,3,4,5,6,7\n"
        "65=01,01,01,01,01\n"
        "0=02,02,02,02,02\n");
    EXPECT_EQ(c.distanceValue, (std::array<uint8_t, 8>{5, 0, 255, 0, 9, 0, 0, 0}));
    const auto& b1 = c.buttonOverrides[0];
    EXPECT_EQ(b1.code[0], 1);
    EXPECT_EQ(b1.code[1], 0);
    EXPECT_EQ(b1.code[2], 3);
    EXPECT_EQ(b1.code[3], 0);
    EXPECT_EQ(b1.useProfile, 0);
    EXPECT_EQ(c.buttonOverrides[1].code[0], 0);
    const auto& b3 = c.buttonOverrides[2];
    EXPECT_EQ(b3.code[0], 0xFF);  // low byte of 0x1ff
    EXPECT_EQ(b3.code[3], 4);
    EXPECT_EQ(b3.useProfile, 5);
    for (int slot = 3; slot < 64; ++slot) {
        EXPECT_EQ(c.buttonOverrides[size_t(slot)].code[0], 0) << slot;
    }
}

TEST(DataIni, FileWithBomAndCrLf) {
    TempDir dir;
    const fs::path path = dir.path() / "Data.ini";
    {
        std::ofstream out(path, std::ios::binary);
        out << "\xEF\xBB\xBF[Default]\r\nVID=1234\r\nSensor=3212\r\n[BUTTON]\r\n2=01,02,03,04,"
               "01\r\n";
    }
    auto c = LoadDeviceConfig(path.string());
    EXPECT_EQ(c.vid, 0x1234);
    EXPECT_EQ(c.sensor, 3212);
    EXPECT_EQ(c.buttonOverrides[1].code[3], 4);
    EXPECT_EQ(c.buttonOverrides[1].useProfile, 1);

    // UTF-16LE with its byte-order mark.
    const std::string text = "[Default]\r\nSensor=3050\r\n";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << "\xFF\xFE";
        for (char ch : text) {
            out.put(ch);
            out.put('\0');
        }
    }
    EXPECT_EQ(LoadDeviceConfig(path.string()).sensor, 3050);
}

}  // namespace
}  // namespace mouse

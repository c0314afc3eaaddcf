#include "ModePage.h"

#include <gtest/gtest.h>

using namespace quillon::console;

TEST(ModePage, PageFollowsTheBlockDescriptors) {
    ModeBuffer data{};
    data[3] = 8; // one block descriptor
    data[12] = 0x01;
    data[13] = 10;
    ModePage page(data);
    EXPECT_EQ(page.Offset(), 12u);
    EXPECT_EQ(page.Byte(0), 0x01);
    EXPECT_EQ(page.ParameterListLength(), 24);
}

TEST(ModePage, MaskKeepsTheChangeableBitsAndTheOthersAsReadToPageByteSeven) {
    ModeBuffer current{};
    ModeBuffer changeable{};
    ModeBuffer asRead{};
    current.fill(0xFF);
    current[3] = 0;
    changeable[3] = 0;
    changeable[4 + 2] = 0x81;
    asRead[4 + 2] = 0x40;
    asRead[4 + 3] = 0x33;
    ModePage page(current);
    page.SetByte(7, 0);
    page.MaskWith(changeable, asRead);
    EXPECT_EQ(page.Byte(2), 0xC1); // the changeable bits edited, bit 6 as read
    EXPECT_EQ(page.Byte(3), 0xFF); // only the flags byte

    page.SetByte(7, 0xFF); // reaches page byte 257, past the buffer
    page.MaskWith(changeable, asRead);
    EXPECT_EQ(page.Byte(3), 0x33);
    EXPECT_EQ(current[255], 0x00);
    EXPECT_EQ(page.Byte(300), 0); // outside the buffer

    current[3] = 250; // block descriptors that leave no room for the page
    EXPECT_EQ(page.ParameterListLength(), 255);
}

TEST(ModePage, ClearsWhatModeSelectMustSendAsZero) {
    ModeBuffer data{};
    data.fill(0xAB);
    data[3] = 0;
    data[4] = 0x81; // PS and page code 01h
    ModePage page(data);
    page.ClearForSelect();
    EXPECT_EQ(data[0], 0);
    EXPECT_EQ(data[1], 0);
    EXPECT_EQ(data[2], 0);
    EXPECT_EQ(page.Byte(0), 0x01);
    EXPECT_EQ(page.Byte(1), 0xAB);
}

// A fresh table on an empty fake desktop for every test.
#pragma once

#include <gtest/gtest.h>

#include "app/startup.h"
#include "app/table.h"
#include "res/ids.h"
#include "support/fake_desk.h"

class TableTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::reset();
        installTableListeners();
        table = Table{};
        table.panel = fake::addWindow(u"#32770", u"ルポネ", {400, 300, 600, 420});
        table.cardParent = fake::addWindow(u"CardParent", u"カードの親", {0, 0, 0, 0});
        // As the panel's resource has them.
        desk::enableControl(table.panel, IDC_RP_UNDO, false);
        desk::enableControl(table.panel, IDC_RP_REDO, false);
    }
    void TearDown() override { table = Table{}; }
};

#include "engine/PanelModel.h"

#include <gtest/gtest.h>

namespace jostle {
namespace {

TEST(PanelModel, StartsAsThePanelTemplate) {
    PanelModel panel;
    EXPECT_FALSE(panel.startButton.IsEnabled());
    EXPECT_FALSE(panel.countdownLabel.IsEnabled());
    EXPECT_EQ(panel.countdownLabel.Text(), "Time until next jostle:");
    EXPECT_TRUE(panel.statusText.IsEnabled());
    EXPECT_EQ(panel.statusText.Text(), " ");
    EXPECT_EQ(panel.nameCombo.Count(), 0);
}

TEST(ComboModel, BehavesAsThePanelsComboBox) {
    ComboModel combo;
    EXPECT_EQ(combo.Append("b.example"), 0);
    EXPECT_EQ(combo.Append("A.example"), 1);
    EXPECT_EQ(combo.ItemText(1), "A.example") << "unsorted";
    EXPECT_EQ(combo.ItemText(2), "");
    EXPECT_EQ(combo.ItemText(-1), "");
    EXPECT_EQ(combo.FindExact("a.EXAMPLE"), 1);
    EXPECT_EQ(combo.FindExact("a.example."), -1);
    EXPECT_EQ(combo.Selection(), -1);
    EXPECT_EQ(combo.Select(1), 1);
    EXPECT_EQ(combo.EditText(), "A.example");
    EXPECT_EQ(combo.Select(2), -1);
    EXPECT_EQ(combo.Selection(), -1);
    EXPECT_EQ(combo.EditText(), "");
    combo.Select(0);
    combo.Clear();
    EXPECT_EQ(combo.Count(), 0);
    EXPECT_EQ(combo.Selection(), -1);
    EXPECT_EQ(combo.EditText(), "");
}

TEST(ComboModel, TypedTextOtherThanTheEntryHasNoSelection) {
    ComboModel combo;
    combo.Append("one.example");
    combo.Append("two.example");
    combo.Select(0);
    combo.Type("one.exam");
    EXPECT_EQ(combo.Selection(), -1);
    EXPECT_EQ(combo.EditText(), "one.exam");
    combo.Type("one.example");
    EXPECT_EQ(combo.Selection(), 0) << "typed back to the entry's text";
    combo.Pick(1);
    EXPECT_EQ(combo.Selection(), 1);
    EXPECT_EQ(combo.EditText(), "two.example");
}

TEST(ControlModel, TellsItsObserverOfTheEnginesChangesOnly) {
    PanelModel panel;
    int told = 0;
    panel.statusText.Observe([&told] { ++told; });
    panel.statusText.SetText("PLEASE START ME");
    panel.statusText.SetText("PLEASE START ME");
    panel.statusText.Enable(true);
    EXPECT_EQ(told, 1) << "a repeated text or state is no change";
    int comboTold = 0;
    panel.nameCombo.Observe([&comboTold] { ++comboTold; });
    panel.nameCombo.Type("typed.example");
    panel.nameCombo.Pick(-1);
    EXPECT_EQ(comboTold, 0) << "the user's own input is not sent back";
    panel.nameCombo.Append("a.example");
    panel.nameCombo.Select(0);
    EXPECT_EQ(comboTold, 2);
}

} // namespace
} // namespace jostle

// The Ping and Traceroute tabs' fields as the user types into them.
#include "window_test_support.h"

namespace tarvo::ui::testing {
namespace {

class WindowFields : public WindowTest {
 protected:
  void SetUp() override { open(); }
  QCheckBox* rangeBox() { return find<QCheckBox>("CheckBox1"); }
  void clickRangeBox() {
    QTest::mouseClick(rangeBox(), Qt::LeftButton, {}, QPoint(5, 8));
    QCoreApplication::processEvents();
  }
  std::vector<std::string> octets() {
    std::vector<std::string> texts;
    for (const char* name :
         {"Edit1", "Edit6", "Edit7", "Edit8", "Edit9", "Edit10", "Edit11", "Edit12"}) {
      texts.push_back(edit(name)->text().toStdString());
    }
    return texts;
  }
};

TEST_F(WindowFields, TypedNumbersAreRepairedAndShownWhenAStartReadsThem) {
  struct Case {
    const char* button;
    const char* field;
    const char* typed;
    const char* shown;
  };
  // Without a host nothing starts, but the fields are read and repaired.
  setText("Edit13", "");
  // One case per field: the limits themselves are the rules table's.
  for (Case c : {Case{"Button1", "Edit2", "-1", "65535"}, Case{"Button1", "Edit5", "5", "18"},
                 Case{"Button3", "Edit15", "300", "255"}, Case{"Button3", "Edit14", "5", "10"}}) {
    setText(c.field, c.typed);
    button(c.button)->click();
    EXPECT_EQ(edit(c.field)->text().toStdString(), c.shown) << c.field << " " << c.typed;
  }
  setText("Edit2", "$10");  // a valid number is used as typed
  button("Button1")->click();
  EXPECT_EQ(edit("Edit2")->text(), "$10");
  EXPECT_EQ(window->values().pingCount, 16u);
  EXPECT_EQ(window->busyCount(), 0);
  EXPECT_FALSE(window->traceRunning());
}

TEST_F(WindowFields, RangeModeKeepsItsOwnNumbers) {
  setText("Edit2", "0");
  clickRangeBox();  // leaving single mode stores 0 (endless) there
  EXPECT_EQ(edit("Edit2")->text(), "1");
  EXPECT_EQ(find<QLabel>("Label2")->text(), "Count:");
  setText("Edit2", "0");
  setText("Edit5", "abc");
  clickRangeBox();  // leaving range mode repairs with the range limits
  EXPECT_EQ(edit("Edit2")->text(), "0");
  clickRangeBox();
  EXPECT_EQ(edit("Edit2")->text(), "1");
  EXPECT_EQ(edit("Edit5")->text(), "32");
}

TEST_F(WindowFields, SwitchingToRangeFillsTheOctetsFromAnAddress) {
  combo("ComboBox4")->setEditText("192.168.1.20");
  clickRangeBox();
  EXPECT_TRUE(window->rangeMode());
  EXPECT_EQ(octets(), (std::vector<std::string>{"192", "168", "1", "20", "192", "168", "1", ""}));
  EXPECT_EQ(focused(), edit("Edit11"));
  EXPECT_EQ(find<QLabel>("Label1")->text(), "First IP:");
  EXPECT_FALSE(combo("ComboBox4")->isVisible());
  EXPECT_TRUE(edit("Edit12")->isEnabled());
  EXPECT_FALSE(edit("Edit9")->isEnabled());
}

TEST_F(WindowFields, SwitchingToRangeWithANameLeavesTheOctetsEmpty) {
  for (const char* host : {"localhost", "1.2.3"}) {
    combo("ComboBox4")->setEditText(host);
    clickRangeBox();
    EXPECT_EQ(octets(), std::vector<std::string>(8, "")) << host;
    EXPECT_EQ(focused(), edit("Edit1")) << host;
    clickRangeBox();
    EXPECT_EQ(combo("ComboBox4")->currentText().toStdString(), host);  // kept
  }
}

TEST_F(WindowFields, SwitchingBackPutsTheFirstAddressIntoTheHostBox) {
  combo("ComboBox4")->setEditText("somewhere");
  clickRangeBox();
  setText("Edit1", "10");
  setText("Edit6", "0");
  setText("Edit7", "0");
  setText("Edit8", "1");
  setText("Edit11", "0");
  setText("Edit12", "9");
  clickRangeBox();
  EXPECT_FALSE(window->rangeMode());
  EXPECT_EQ(combo("ComboBox4")->currentText(), "10.0.0.1");
  EXPECT_EQ(focused(), combo("ComboBox4"));
  EXPECT_FALSE(edit("Edit1")->isVisible());
  EXPECT_EQ(edit("Edit11")->text(), "");
  // The saved last octets come back on the next switch.
  clickRangeBox();
  EXPECT_EQ(octets(), (std::vector<std::string>{"10", "0", "0", "1", "10", "0", "0", "9"}));
}

TEST_F(WindowFields, OctetFieldsTakeDigitsAndMoveOnAtADot) {
  combo("ComboBox4")->setEditText("");
  clickRangeBox();
  OctetEdit* first = find<OctetEdit>("Edit1");
  ASSERT_EQ(focused(), first);
  QTest::keyClick(first, '.');
  EXPECT_EQ(focused(), first);  // an empty field keeps the focus
  QTest::keyClicks(first, "1a2-");
  EXPECT_EQ(first->text(), "12");
  QTest::keyClick(first, '.');
  EXPECT_EQ(focused(), edit("Edit6"));
  EXPECT_EQ(edit("Edit9")->text(), "12");  // leaving copies the octet
  QTest::keyClicks(focused(), "1234");
  EXPECT_EQ(edit("Edit6")->text(), "123");
  QTest::keyClick(focused(), '.');
  QTest::keyClicks(focused(), "7.");
  EXPECT_EQ(edit("Edit11")->text(), "7");  // the third octet overwrote it
  EXPECT_EQ(focused(), edit("Edit8"));
  for (const char* next : {"Edit11", "Edit12"}) {
    QTest::keyClicks(focused(), "1.");
    EXPECT_EQ(focused(), edit(next));
  }
  QTest::keyClicks(focused(), "9.");
  EXPECT_EQ(focused(), button("Button1"));
  QTest::keyClick(edit("Edit12"), Qt::Key_Backspace);
}

TEST_F(WindowFields, OctetFieldsEnteredByADotOrTheSwitchAreRetyped) {
  combo("ComboBox4")->setEditText("127.0.0.1");
  clickRangeBox();
  ASSERT_EQ(focused(), edit("Edit11"));
  QTest::keyClicks(focused(), "5");  // replaces the 0 the switch put there
  EXPECT_EQ(edit("Edit11")->text(), "5");
  // A third octet typed and left lands in Edit11; entering Edit11 by "."
  // and typing must replace it, not make 11 of it.
  OctetEdit* third = find<OctetEdit>("Edit7");
  third->setFocus();
  third->selectAll();
  for (char key : std::string("1.200.1.5")) QTest::keyClick(focused(), key);
  EXPECT_EQ(octets(), (std::vector<std::string>{"127", "0", "1", "200", "127", "0", "1", "5"}));

  // Editing keys: Delete, Ctrl+A then typing; pasted letters are refused.
  OctetEdit* last = find<OctetEdit>("Edit12");
  last->setFocus();
  last->setText("123");
  last->setCursorPosition(0);
  QTest::keyClick(last, Qt::Key_Delete);
  EXPECT_EQ(last->text(), "23");
  QTest::keyClick(last, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(last, "9");
  EXPECT_EQ(last->text(), "9");
  last->selectAll();
  last->insert("1x");
  EXPECT_EQ(last->text(), "9");
}

}  // namespace
}  // namespace tarvo::ui::testing

// The Ping and Traceroute tabs' fields as the user types into them.
#include "window_test_support.h"

namespace tarvo::ui::testing {
namespace {

class WindowFields : public WindowTest {
 protected:
  void SetUp() override { open(); }
  void clickRangeBox() {
    QTest::mouseClick(find<QCheckBox>("CheckBox1"), Qt::LeftButton, {}, QPoint(5, 8));
    QCoreApplication::processEvents();
  }
  std::string octets() {
    return shown({"Edit1", "Edit6", "Edit7", "Edit8", "Edit9", "Edit10", "Edit11", "Edit12"});
  }
};

TEST_F(WindowFields, TypedNumbersAreRepairedAndShownWhenAStartReadsThem) {
  // Without a host nothing starts, but the fields are read and repaired.
  setText("Edit13", "");
  // One case per field (the limits themselves are the rules table's), and
  // a valid number used as typed.
  for (auto [start, field, typed, repaired] : {std::tuple{"Button1", "Edit5", "5", "18"},
                                               {"Button3", "Edit15", "300", "255"},
                                               {"Button1", "Edit2", "$10", "$10"}}) {
    setText(field, typed);
    button(start)->click();
    EXPECT_EQ(shown({field}), repaired) << field << " " << typed;
  }
  EXPECT_EQ(window->values().pingCount, 16u);
  EXPECT_EQ(window->busyCount(), 0);
}

TEST_F(WindowFields, SwitchingToRangeFillsTheOctetsFromAnAddressOnly) {
  for (auto [host, filled, focus] : {std::tuple{"1.2.3", "|||||||", "Edit1"},
                                     {"192.168.1.20", "192|168|1|20|192|168|1|", "Edit11"}}) {
    combo("ComboBox4")->setEditText(host);
    clickRangeBox();
    EXPECT_EQ(octets(), filled) << host;
    EXPECT_EQ(focused(), edit(focus)) << host;
    EXPECT_FALSE(combo("ComboBox4")->isVisible());
    clickRangeBox();
    EXPECT_EQ(shown({"ComboBox4"}), host);  // kept
  }
}

TEST_F(WindowFields, SwitchingBackPutsTheFirstAddressIntoTheHostBox) {
  combo("ComboBox4")->setEditText("somewhere");
  clickRangeBox();
  const char* fields[] = {"Edit1", "Edit6", "Edit7", "Edit8", "Edit11", "Edit12"};
  const char* typed[] = {"10", "0", "0", "1", "0", "9"};
  for (int i = 0; i < 6; ++i) setText(fields[i], typed[i]);
  clickRangeBox();
  EXPECT_EQ(shown({"ComboBox4", "Edit11"}), "10.0.0.1|");
  clickRangeBox();  // the saved last octets come back
  EXPECT_EQ(octets(), "10|0|0|1|10|0|0|9");
}

TEST_F(WindowFields, OctetFieldsEnteredByADotOrTheSwitchAreRetyped) {
  combo("ComboBox4")->setEditText("127.0.0.1");
  clickRangeBox();
  QTest::keyClicks(edit("Edit11"), "5");  // replaces the 0 the switch put there
  EXPECT_EQ(shown({"Edit11"}), "5");
  // A third octet typed and left lands in Edit11; entering Edit11 by "."
  // and typing must replace it, not make 11 of it.
  edit("Edit7")->setFocus();
  edit("Edit7")->selectAll();
  for (char key : std::string("1.200.1.5")) QTest::keyClick(focused(), key);
  EXPECT_EQ(octets(), "127|0|1|200|127|0|1|5");

  // Editing keys: Delete, Ctrl+A then typing; pasted letters are refused.
  QLineEdit* last = edit("Edit12");
  last->setFocus();
  last->setText("123");
  last->setCursorPosition(0);
  QTest::keyClick(last, Qt::Key_Delete);
  EXPECT_EQ(last->text(), "23");
  QTest::keyClick(last, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(last, "9");
  last->insert("1x");
  EXPECT_EQ(last->text(), "9");
}

}  // namespace
}  // namespace tarvo::ui::testing

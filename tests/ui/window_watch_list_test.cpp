// The Watch tab's list: typing, editing, the context menu and list files.
#include <QFileDialog>
#include <QListView>
#include <QListWidget>
#include <fstream>

#include "ui/watch_page.h"
#include "window_test_support.h"

namespace tarvo::ui::testing {
namespace {

using Items = std::vector<WatchItem>;
const std::string kCounter = "  Watch List (Total/Checked/Unchecked): ";

class WatchList : public WindowTest {
 protected:
  void SetUp() override {
    open();
    selectTab(2);
  }
  WatchPage& page() { return window->watchPage(); }
  void type(const char* text) {
    setText("Edit16", text);
    QTest::keyClick(edit("Edit16"), Qt::Key_Return);
  }
  QString listFile(const std::string& bytes) {
    auto path = registry.folder() / "list.txt";
    std::ofstream(path, std::ios::binary) << bytes;
    return QString::fromStdString(path.string());
  }
};

TEST_F(WatchList, EnterRefusesCaseDuplicatesAndEditModeSurvivesThem) {
  type("host1");
  type("HOST1");
  EXPECT_EQ(page().items(), (Items{{"host1", true}}));

  page().setItems({{"host1", true}, {"b", false}});
  find<QListWidget>("CheckListBox1")->setCurrentRow(1);
  trigger("EditItem1");
  EXPECT_EQ(edit("Edit16")->text(), "b");
  type("HOST1");  // a duplicate: the edited item keeps its text, edit mode stays
  EXPECT_TRUE(page().editMode());
  type("c");
  EXPECT_EQ(page().items(), (Items{{"host1", true}, {"c", false}}));
  EXPECT_FALSE(page().editMode());
  EXPECT_EQ(panel(0), kCounter + "2/1/1");
}

TEST_F(WatchList, LoadingMergesAndChecksEveryItemAlsoWhenCancelled) {
  page().mergeListFile(listFile("a\r\nA\n\rb"));
  EXPECT_EQ(page().items(), (Items{{"a", true}, {"", true}, {"b", true}}));
  trigger("UncheckAll1");
  EXPECT_EQ(panel(0), kCounter + "3/0/3");
  page().mergeListFile(QString());  // the dialog was cancelled
  page().mergeListFile(listFile("B\nc"));
  EXPECT_EQ(page().items(), (Items{{"a", true}, {"", true}, {"b", true}, {"c", true}}));
}

// The open dialog lists files of any name, also those without a dot, and
// the chosen one is merged.
TEST_F(WatchList, TheOpenDialogOffersFilesWithoutADot) {
  std::ofstream(registry.folder() / "hosts") << "127.0.0.9\n";
  bool offered = false;
  auto choose = [&](QWidget* modal) {
    auto* chooser = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(chooser, nullptr);
    chooser->setDirectory(QString::fromStdString(registry.folder().string()));
    auto* view = chooser->findChild<QListView*>("listView");
    offered = waitUntil([&] {
      const QModelIndex first = view->model()->index(0, 0, view->rootIndex());
      return !view->model()->match(first, Qt::DisplayRole, "hosts", 1, Qt::MatchExactly).isEmpty();
    });
    chooser->findChild<QLineEdit*>("fileNameEdit")->setText("hosts");
    static_cast<QDialog*>(chooser)->accept();
  };
  EXPECT_TRUE(withModal(nullptr, choose, [&] { trigger("LoadList1"); }));
  EXPECT_TRUE(offered);
  EXPECT_EQ(page().items(), (Items{{"127.0.0.9", true}}));
}

// Whatever bytes a list file holds, every item reads back as it was loaded:
// texts that are not UTF-8 (encoded surrogates, overlong or out-of-range
// sequences) are read as the older code page.
TEST_F(WatchList, AHostileFileLoadsEveryItemAsItsOwnText) {
  page().mergeListFile(listFile("\xED\xA0\x80\n\xE0\x80\xAF\n\xF4\x90\x80\x80"));
  EXPECT_EQ(page().items(), (Items{{"\u00ED\u00A0\u20AC", true},
                                   {"\u00E0\u20AC\u00AF", true},
                                   {"\u00F4\u0090\u20AC\u20AC", true}}));
}

TEST_F(WatchList, MenuFollowsTheListsSortsAndGetsTheTracerouteHosts) {
  page().prepareMenu({1, 1});
  EXPECT_FALSE(find<QAction>("DeleteItems1")->isEnabled() ||
               find<QAction>("GetReached1")->isEnabled());

  window->addHost("10.0.0.2", true, false);
  window->addHost("10.0.0.9", false, false);
  page().setItems({{"beta", false}, {"10.0.0.1", true}});
  page().prepareMenu({1, 1});
  trigger("GetReached1");
  trigger("GetNotReached1");
  trigger("SortList1");
  EXPECT_EQ(page().items(),
            (Items{{"10.0.0.1", true}, {"10.0.0.2", true}, {"10.0.0.9", true}, {"beta", false}}));

  // The right click's item becomes the current one; delete takes the selection.
  auto* list = find<QListWidget>("CheckListBox1");
  page().prepareMenu(list->visualItemRect(list->item(1)).center());
  EXPECT_EQ(list->currentRow(), 1);
  for (int row : {0, 2, 3}) list->item(row)->setSelected(true);
  trigger("DeleteItems1");
  EXPECT_EQ(page().items(), (Items{{"10.0.0.2", true}}));
}

}  // namespace
}  // namespace tarvo::ui::testing

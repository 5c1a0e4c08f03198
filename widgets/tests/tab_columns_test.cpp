#include "widgets/tab_columns_delegate.h"

#include <gtest/gtest.h>

using quillet::tabColumns;

TEST(TabColumns, TabsInTheLastColumnStayInIt) {
    struct Case {
        QString row;
        qsizetype maxColumns;
        QStringList columns;
    };
    const Case cases[] = {
        {"G4ABC\t\t\t12:00\tBLN1> hi", 3, {"G4ABC", "12:00", "BLN1> hi"}},
        {"G4ABC\t12:00\tBLN1> a\tb\t\tc", 3, {"G4ABC", "12:00", "BLN1> a    b    c"}},
        {"A\tx", 1, {"A    x"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(tabColumns(c.row, c.maxColumns), c.columns) << c.row.toStdString();
    }
}

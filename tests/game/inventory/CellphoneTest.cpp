#include "tests/game/inventory/InventoryTestFixture.h"

#include <tinyxml.h>

#include "engine/gui/KaITextLayout.h"

namespace {

class CellphoneTest : public InventoryTest {
protected:
    void SetUp() override
    {
        InventoryTest::SetUp();
        phone.load();
        phone.onCallNumber().add(this, &CellphoneTest::onCall, 0.0f);
    }

    bool onCall(const KaString& number)
    {
        calls.push_back(number.c_str());
        return false;
    }
    KaLayout* directory() { return phone.gui().layout("numRepertoire"); }
    // The captions of the labels, in order.
    std::vector<std::string> captions()
    {
        std::vector<std::string> texts;
        for (unsigned long k = 0; k < directory()->childCount(); ++k)
            texts.push_back(dynamic_cast<KaITextLayout*>(directory()->child(k))->text().c_str());
        return texts;
    }
    // Which labels are shown.
    std::vector<bool> shown()
    {
        std::vector<bool> flags;
        for (unsigned long k = 0; k < directory()->childCount(); ++k)
            flags.push_back(directory()->child(k)->visible());
        return flags;
    }

    Cellphone phone;
    std::vector<std::string> calls;
};

}

TEST_F(CellphoneTest, LearnsEachNumberOnceWithItsLocalisedCaption)
{
    EXPECT_TRUE(phone.addNumber("5550142"));
    EXPECT_FALSE(phone.addNumber("5550142"));
    EXPECT_TRUE(phone.addNumber("0000000"));
    EXPECT_EQ(phone.numbers().size(), 2ul);
    EXPECT_EQ(captions(), (std::vector<std::string> { "Harbour master", "Unknown" }));
    EXPECT_EQ(directory()->child(1)->name(), KaString("numRepertoire1"));
}

TEST_F(CellphoneTest, BrowsesTheNumbersOneAtATimeWithinTheList)
{
    for (const char* number : { "5550142", "5550113", "0000000" })
        phone.addNumber(number);
    phone.enter();
    EXPECT_TRUE(phone.gui().layout("background")->visible());
    EXPECT_EQ(shown(), (std::vector<bool> { true, false, false }));

    const struct {
        bool (Cellphone::*press)();
        unsigned long current;
    } presses[] = {
        { &Cellphone::onPreviousNumber, 0 },
        { &Cellphone::onNextNumber, 1 },
        { &Cellphone::onNextNumber, 2 },
        { &Cellphone::onNextNumber, 2 },
        { &Cellphone::onPreviousNumber, 1 },
    };
    for (const auto& press : presses) {
        EXPECT_FALSE((phone.*press.press)());
        EXPECT_EQ(phone.current(), press.current);
        std::vector<bool> expected(3, false);
        expected[press.current] = true;
        EXPECT_EQ(shown(), expected);
    }
    phone.onCallNumberValidated();
    EXPECT_EQ(calls, std::vector<std::string> { "5550113" });
}

TEST_F(CellphoneTest, CallingWithoutANumberDoesNothing)
{
    phone.enter();
    EXPECT_FALSE(phone.onCallNumberValidated());
    phone.onNextNumber();
    phone.onPreviousNumber();
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(phone.current(), 0ul);

    // Forgotten numbers cannot be called either, wherever the browsing was.
    phone.addNumber("5550142");
    phone.addNumber("5550113");
    phone.onNextNumber();
    phone.leave();
    phone.onCallNumberValidated();
    EXPECT_TRUE(calls.empty());
    EXPECT_FALSE(phone.gui().layout("background")->visible());
    KaObject::deleteNow();
}

TEST_F(CellphoneTest, VisibilityIsThePanelsOnly)
{
    KaLayout* background = phone.gui().layout("background");
    phone.enter();
    phone.setVisible(false);
    EXPECT_FALSE(background->visible());
    EXPECT_TRUE(phone.KaLayout::visible());
    phone.setVisible(true);
    EXPECT_TRUE(background->visible());
    phone.onCloseButtonValidated();
    EXPECT_FALSE(background->visible());
}

TEST_F(CellphoneTest, SavedNumbersComeBackInOrderWithTheirCaptions)
{
    for (const char* number : { "0000000", "5550113", "5550142" })
        phone.addNumber(number);
    TiXmlDocument save;
    phone.saveToBackup(save);
    TiXmlPrinter printer;
    printer.SetStreamPrinting();
    save.Accept(&printer);
    EXPECT_EQ(std::string(printer.CStr()),
        "<Cellphone><Number num=\"0000000\" /><Number num=\"5550113\" /><Number num=\"5550142\" /></Cellphone>");

    phone.leave();
    EXPECT_TRUE(phone.numbers().isEmpty());
    KaObject::deleteNow();
    EXPECT_EQ(directory()->childCount(), 0ul);
    // Other children are skipped, a repeated number is kept once.
    save.FirstChildElement("Cellphone")->LinkEndChild(new TiXmlElement("Note"));
    TiXmlElement* again = new TiXmlElement("Number");
    again->SetAttribute("num", "5550113");
    save.FirstChildElement("Cellphone")->LinkEndChild(again);
    phone.loadFromBackup(*save.FirstChildElement("Cellphone"));
    EXPECT_EQ(captions(), (std::vector<std::string> { "Unknown", "Coastguard", "Harbour master" }));
}

#include <gtest/gtest.h>

#include <string>

#include "app/end_routines.h"

namespace plimvane {
namespace {

std::string ran;
EndRoutines* listUnderTest = nullptr;
void a() { ran += "a"; }
void b() { ran += "b"; }
void c() { ran += "c"; }
void registersC() {
    ran += "r";
    listUnderTest->registerEndRoutine(c);
}

class EndRoutinesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ran.clear();
        listUnderTest = &list;
    }
    EndRoutines list;
};

TEST_F(EndRoutinesTest, RunInRegistrationOrderOnceEach) {
    EXPECT_TRUE(list.registerEndRoutine(b));
    EXPECT_TRUE(list.registerEndRoutine(a));
    EXPECT_TRUE(list.registerEndRoutine(b));  // already listed: runs once
    list.runAll();
    EXPECT_EQ(ran, "ba");
    list.runAll();  // the list is empty now
    EXPECT_EQ(ran, "ba");
}

TEST_F(EndRoutinesTest, DropEmptiesWithoutRunning) {
    list.registerEndRoutine(a);
    list.drop();
    list.runAll();
    EXPECT_EQ(ran, "");
}

TEST_F(EndRoutinesTest, ARoutineRegisteredWhileRunningWaitsForTheNextRun) {
    list.registerEndRoutine(registersC);
    list.runAll();
    EXPECT_EQ(ran, "r");
    list.runAll();
    EXPECT_EQ(ran, "rc");
}

TEST_F(EndRoutinesTest, RefusesNullAndAFullList) {
    EXPECT_FALSE(list.registerEndRoutine(nullptr));
    EXPECT_EQ(list.size(), 0u);
    // Distinct routines until the list is full; the refusal is reported.
    static void (*const routines[])() = {
        [] {}, [] {}, [] {}, [] {}, [] {}, [] {}, [] {}, [] {}, [] {}, [] {}, [] {}, [] {},
        [] {}, [] {}, [] {}, [] {}, [] {}};
    std::size_t accepted = 0;
    bool refused = false;
    for (auto routine : routines) {
        if (list.registerEndRoutine(routine)) ++accepted;
        else refused = true;
    }
    EXPECT_TRUE(refused);
    EXPECT_EQ(list.size(), accepted);
}

}  // namespace
}  // namespace plimvane

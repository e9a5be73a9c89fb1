#include "platform/Component.h"
#include "platform/Exception.h"

#include <gtest/gtest.h>

namespace {

class Watcher : public TComponent {
public:
    using TComponent::TComponent;
    void RemovalNotice(TComponent* AComponent, TOperation Operation) override {
        TComponent::RemovalNotice(AComponent, Operation);
        if (Operation == TOperation::opRemove)
            Removed.push_back(AComponent);
    }
    std::vector<TComponent*> Removed;
};

TEST(Component, DestroyedComponentNotifiesThoseThatRegistered) {
    Watcher watcher;
    auto* watched = new TComponent;
    watched->FreeNotification(&watcher);
    watched->FreeNotification(&watcher); // registering twice notifies once
    TComponent* address = watched;
    delete watched;
    ASSERT_EQ(watcher.Removed.size(), 1u);
    EXPECT_EQ(watcher.Removed[0], address);
}

TEST(Component, NotificationIsMutualAndEndsWithEitherSide) {
    auto* first = new Watcher;
    Watcher second;
    first->FreeNotification(&second);
    second.RemoveFreeNotification(first);
    delete first; // must not notify, nor touch a list that no longer names it
    EXPECT_TRUE(second.Removed.empty());

    auto* third = new Watcher;
    third->FreeNotification(&second);
    second.Removed.clear();
    {
        Watcher fourth;
        fourth.FreeNotification(third);
    } // fourth goes first: third must forget it and not call it later
    delete third;
    ASSERT_EQ(second.Removed.size(), 1u);
}

TEST(Component, OwnerHearsOfItsComponentsAndIsForgottenFirst) {
    Watcher owner;
    auto* child = new Watcher(&owner);
    EXPECT_EQ(child->Owner(), &owner);
    delete child;
    EXPECT_EQ(owner.Removed.size(), 1u);
}

TEST(Exceptions, CarryTheSystemTexts) {
    EXPECT_STREQ(EFOpenError("a.bmp").what(), "Cannot open file a.bmp");
    EXPECT_STREQ(EFCreateError("b.mapset").what(), "Cannot create file b.mapset");
    EXPECT_STREQ(EListError(-1).what(), "List index out of bounds (-1)");
    EXPECT_STREQ(EConvertError("1x").what(), "'1x' is not a valid integer value");
}

} // namespace

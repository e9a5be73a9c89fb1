#pragma once

#include "platform/Types.h"

#include <string>
#include <vector>

enum class TOperation { opInsert, opRemove };

// A component: an object with an owner, a name and published properties, that can ask to
// be told when another component goes away (free notification). The owner is a reference
// only: whoever holds a component by value or unique_ptr frees it.
class TComponent : public TObject {
public:
    explicit TComponent(TComponent* AOwner = nullptr);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return FOwner; }
    const std::string& Name() const { return FName; }
    void SetName(const std::string& Value) { FName = Value; }

    // True only while a form designer edits the component; the running program never sets
    // it (tests may).
    bool Designing() const { return FDesigning; }
    void SetDesigning(bool Value) { FDesigning = Value; }

    // Called by whoever builds a form, once every property has been set.
    virtual void AfterLoad() {}

    // Copy from another object of a kind this component understands; others are ignored.
    virtual void CopyFrom(TObject* Source);

    // Mutual: each of the two is told (RemovalNotice) when the other is destroyed.
    void FreeNotification(TComponent* AComponent);
    void RemoveFreeNotification(TComponent* AComponent);

    // A component this one registered with (or owns) is being destroyed: drop references
    // to it.
    virtual void RemovalNotice(TComponent* AComponent, TOperation Operation);

private:
    TComponent* FOwner = nullptr;
    std::string FName;
    bool FDesigning = false;
    std::vector<TComponent*> FFreeNotifies;
};

#pragma once

class TRegConfig;

// Where a block item sits: its owning configuration and its position in the owner's
// vector. Neither is a setting, so assigning one item to another (Assign) leaves them
// alone, while copy construction (the vector relocating items) takes them along; the
// owner attaches every item again after each resize anyway.
//
// A block class derives from one of these first, so Owner and Index lead its members,
// and gets Assign from its defaulted copy assignment.
struct TRegItemOwner {
  TRegConfig* Owner = nullptr;

  TRegItemOwner() = default;
  TRegItemOwner(const TRegItemOwner&) = default;
  TRegItemOwner& operator=(const TRegItemOwner&) { return *this; }

  void Attach(TRegConfig* owner) { Owner = owner; }
};

struct TRegItemPlace {
  TRegConfig* Owner = nullptr;
  int Index = 0;

  TRegItemPlace() = default;
  TRegItemPlace(const TRegItemPlace&) = default;
  TRegItemPlace& operator=(const TRegItemPlace&) { return *this; }

  void Attach(TRegConfig* owner, int index)
  {
    Owner = owner;
    Index = index;
  }
};

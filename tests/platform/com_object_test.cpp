// The stand-ins' shared COM lifetime: counts, and destruction in an order that lets an object
// release what it holds.
#include "platform/com_object.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// Notes its destruction, and releases the object it holds as a surface releases its palette.
class Probe final : public platform::ComObject<IUnknown> {
 public:
  Probe(std::string name, std::vector<std::string>* log, IUnknown* held = nullptr)
      : name_(std::move(name)), log_(log), held_(held) {
    if (held_) held_->AddRef();
  }
  ~Probe() override {
    log_->push_back(name_);
    if (held_) held_->Release();
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
    *object = nullptr;
    return E_NOINTERFACE;
  }

 private:
  std::string name_;
  std::vector<std::string>* log_;
  IUnknown* held_;
};

TEST(ComObject, CountsFromOneAndGoesAtZero) {
  std::vector<std::string> log;
  platform::LiveObjects objects;
  Probe* probe = objects.Make<Probe>("probe", &log);
  EXPECT_EQ(probe->AddRef(), 2u);
  EXPECT_EQ(probe->Release(), 1u);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(probe->Release(), 0u);
  EXPECT_EQ(log, std::vector<std::string>{"probe"});
}

TEST(ComObject, ADestructorMayReleaseWhatItHolds) {
  std::vector<std::string> log;
  platform::LiveObjects objects;
  Probe* palette = objects.Make<Probe>("palette", &log);
  Probe* surface = objects.Make<Probe>("surface", &log, palette);
  Probe* other = objects.Make<Probe>("other", &log);
  palette->Release();  // the surface's reference keeps it
  EXPECT_TRUE(log.empty());
  surface->Release();
  EXPECT_EQ(log, (std::vector<std::string>{"surface", "palette"}));
  other->Release();
  EXPECT_EQ(log.size(), 3u);
}

TEST(ComObject, WhatIsLeftAtTheEndGoesNewestFirst) {
  // As at exit: the buffer made from the sound object goes first and drops its reference to
  // it; nothing is destroyed twice.
  std::vector<std::string> log;
  {
    platform::LiveObjects objects;
    Probe* sound = objects.Make<Probe>("sound", &log);
    objects.Make<Probe>("buffer", &log, sound);
    objects.Make<Probe>("newest", &log);
  }
  EXPECT_EQ(log, (std::vector<std::string>{"newest", "buffer", "sound"}));
}

}  // namespace

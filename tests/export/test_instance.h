// An instance block of the plug-in under test, or of a fresh copy, that ends its
// transfer and is freed at scope exit, with a copy of its fields while the test looks.
#ifndef QV_TESTS_EXPORT_TEST_INSTANCE_H
#define QV_TESTS_EXPORT_TEST_INSTANCE_H

#include "instance_block.h"
#include "loaded_plugin.h"

class TestInstance : public qvhost::Instance {
 public:
  explicit TestInstance(const qvhost::Plugin &plugin = testsupport::LoadedPlugin()) : Instance(plugin) {}
  InstanceBlock Fields() const { return *testsupport::Block(handle()); }
};

#endif

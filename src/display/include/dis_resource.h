#pragma once
// Base of every object that lives on the GPU: reference count, device link
// and the disposed/restored lifecycle.

namespace zelkor {
namespace display {

class DisplayGL;

class Resource {
 public:
  // Registers itself with the device; starts disposed with one reference.
  explicit Resource(DisplayGL* pDisplay);
  // Leaves the device's registry if it is still there.
  virtual ~Resource();
  Resource(const Resource&) = delete;
  Resource& operator=(const Resource&) = delete;

  virtual DisplayGL* getDisplay() { return mDisplay; }
  virtual const DisplayGL* getDisplay() const { return mDisplay; }
  // Frees the GL objects and keeps what is needed to rebuild them; with
  // `contextLost` the GL objects are only forgotten.
  virtual void disposeResource(bool contextLost) = 0;
  virtual void restoreResource() = 0;
  virtual void dettachAll() {}

  bool isDisposed() const { return mDisposed; }
  int incRef() { return ++mReferences; }
  int decRef() { return --mReferences; }
  int getRef() const { return mReferences; }
  // Gives up one reference through the device; the last one deletes.
  void destroy();
  // True when the device has an archive to read files from.
  bool canLoad() const;

 protected:
  DisplayGL* mDisplay;
  bool mDisposed;
  int mReferences;
};

}  // namespace display
}  // namespace zelkor

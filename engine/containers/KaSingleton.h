#ifndef KA_SINGLETON_H
#define KA_SINGLETON_H

// Holder of one lazily created instance. No lock: services are created and
// used on the main thread. The instance lives until destroy() or process end
// (the holder has no destructor of its own on purpose).
template <class T>
class KaSingleton {
public:
    // constexpr: a global holder is null before any dynamic initialisation runs,
    // so a holder used from another file's static initialiser is never wiped.
    constexpr KaSingleton() : mInstance(nullptr) {}

    // T's constructor runs before the pointer is stored: it must not call
    // get() on its own holder.
    T* get()
    {
        if (!mInstance)
            mInstance = new T();
        return mInstance;
    }

    // While T's destructor runs, get() still answers the dying instance, so
    // code it calls can reach the service it is tearing down.
    void destroy()
    {
        delete mInstance;
        mInstance = nullptr;
    }

    bool exists() const { return mInstance != nullptr; }

private:
    T* mInstance;
};

#endif

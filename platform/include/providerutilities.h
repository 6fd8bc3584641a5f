// The agent's helper library for CMPI providers: object paths, keys,
// instances, class identifiers, and monikers (CMPI-free lists of keys).
#pragma once

#include <string>
#include <vector>

#include "cmpidt.h"
#include "cmpift.h"

namespace Quill {

// Names one CIM instance by its keys, without CMPI.
class Moniker {
  public:
    struct KeyComponent {
        std::string name;
        std::string value;
        unsigned int type = 0;  // CMPIType the key had in its object path; 0 when made by hand
    };

    Moniker() = default;

    // Appends a key and returns its position; std::length_error past 65536 keys.
    unsigned short addKey(std::string name, const std::string& value);
    unsigned short addKey(std::string name, const std::string& value, unsigned int type);
    unsigned int getKeyCount() const;
    // Moves the cursor to a position counted from 0; false (cursor unmoved)
    // when there is none. A new moniker's cursor stands on position 0.
    bool selectKey(unsigned int position);
    // Name and value of the key under the cursor; false when the moniker is empty.
    bool getName(std::string& name) const;
    bool getValue(std::string& value) const;
    // Type of the key under the cursor; 0 when the moniker is empty.
    unsigned int getType() const;

    const std::vector<KeyComponent>& keys() const { return keys_; }

  private:
    std::vector<KeyComponent> keys_;
    unsigned int cursor_ = 0;
};

class ProviderUtilities {
  public:
    // Id of a class the catalogue does not know.
    static constexpr unsigned short kUnknownClassId = 255;

    // A keyless path; null when the broker cannot make one. Text holding a
    // NUL is refused throughout: CMPI would silently cut it there.
    static CMPIObjectPath* createObjectPath(const CMPIBroker* broker, const char* className,
                                            std::string nameSpace);
    // A string key.
    static bool setKeyProperty(CMPIObjectPath* path, const char* key, const std::string& value);
    // A reference key pointing to the given path; false for a null reference.
    static bool setKeyProperty(CMPIObjectPath* path, const char* key, CMPIObjectPath* reference);
    // True and the value when the key is present; the out value is untouched
    // otherwise. Numbers read in decimal, booleans as "true"/"false", char16
    // as UTF-8, date-times in their CIM form, references as the path's
    // string form.
    static bool getKeyProperty(const CMPIObjectPath* path, const char* key, std::string& value);
    // Reference keys only. The path belongs to the path it was read from.
    static bool getKeyProperty(const CMPIObjectPath* path, const char* key,
                               CMPIObjectPath** reference);
    // 0 for a class path or no path.
    static unsigned short getKeyCount(const CMPIObjectPath* path);
    // Empty for no path.
    static std::string getNamespace(const CMPIObjectPath* path);
    static std::string getClassName(const CMPIObjectPath* path);

    // An instance carrying the path's keys; null on failure or for a null path.
    static CMPIInstance* createInstance(const CMPIBroker* broker, const CMPIObjectPath* path);

    // Gives a path or instance this provider made back to the broker before
    // the request ends, so that a long walk does not hold all it made; null
    // is ignored. Only for objects nothing refers to any more.
    template <typename Made>
    static void release(Made* made) {
        if (made != nullptr) {
            made->ft->release(made);
        }
    }

    // True when the instance took the value. A null reference is refused.
    static bool setProperty(CMPIInstance* instance, const char* name, const std::string& value);
    // Keeps a text literal from being taken as a boolean; false for null.
    static bool setProperty(CMPIInstance* instance, const char* name, const char* value);
    static bool setProperty(CMPIInstance* instance, const char* name, unsigned char value);
    static bool setProperty(CMPIInstance* instance, const char* name, unsigned short value);
    static bool setProperty(CMPIInstance* instance, const char* name, unsigned long long value);
    static bool setProperty(CMPIInstance* instance, const char* name, bool value);
    static bool setProperty(CMPIInstance* instance, const char* name, CMPIObjectPath* reference);
    // A uint16 array.
    static bool setProperty(const CMPIBroker* broker, CMPIInstance* instance, const char* name,
                            const std::vector<unsigned short>& values);

    // True and the value when the property is present, not null and of a
    // fitting type; the out value is untouched otherwise.
    // uint16 or uint8.
    static bool getProperty(const CMPIInstance* instance, const char* name, unsigned short& value);
    // A string; with nullAsEmpty a null string property reads as "".
    static bool getProperty(const CMPIInstance* instance, const char* name, std::string& value,
                            bool nullAsEmpty);
    // A string array: replaces the list's content with the elements in
    // order, leaving out null elements.
    static bool getProperty(const CMPIInstance* instance, const char* name,
                            std::vector<std::string>& values);

    // 0 when the value must be refused: anything that is not empty and not an
    // address of the kind asked ("" an IPv4 dotted quad, ":" an IPv6 or IPv4
    // address); non-zero otherwise. Only the bare address is accepted: no
    // blanks, control characters, prefix lengths or IPv6 zone ids ("%eth0").
    // Any other kind accepts only the empty value.
    static int ValidateInput(std::string value, std::string kind);

    // The catalogue's id of a class, kUnknownClassId when it does not know it.
    static unsigned short getClassId(const CMPIObjectPath* path);
    static unsigned short getClassId(const char* className);

    // Whether className is baseClassName or derives from it, as the CIMOM knows.
    static bool areClassesRelated(const CMPIBroker* broker, const std::string& nameSpace,
                                  const char* className, const char* baseClassName);

    // Replaces the moniker's content with every key of the path, in path
    // order, valued as the text form of getKeyProperty and typed as in the
    // path; the moniker is untouched when a key cannot be read.
    static bool transformObjectPathToMoniker(const CMPIObjectPath* path, Moniker& moniker);
    // Adds the moniker's keys to the path *path points to, all as string
    // keys. A moniker with an unnamed key or a value holding a NUL is refused
    // before anything is written.
    static bool transformMonikerToObjectPath(Moniker& moniker, CMPIObjectPath** path);
};

}  // namespace Quill

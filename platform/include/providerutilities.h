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

    // Appends a key and returns its position.
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

    // A keyless path; null when the broker cannot make one.
    static CMPIObjectPath* createObjectPath(const CMPIBroker* broker, const char* className,
                                            std::string nameSpace);
    static bool setKeyProperty(CMPIObjectPath* path, const char* key, const std::string& value);
    // A reference key pointing to the given path.
    static bool setKeyProperty(CMPIObjectPath* path, const char* key, CMPIObjectPath* reference);
    // True and the value when the key is present; non-string keys read as
    // their text, references as the path's string form.
    static bool getKeyProperty(const CMPIObjectPath* path, const char* key, std::string& value);
    static bool getKeyProperty(const CMPIObjectPath* path, const char* key,
                               CMPIObjectPath** reference);
    static unsigned short getKeyCount(const CMPIObjectPath* path);
    static std::string getNamespace(const CMPIObjectPath* path);
    static std::string getClassName(const CMPIObjectPath* path);

    // An instance carrying the path's keys; null on failure or for a null path.
    static CMPIInstance* createInstance(const CMPIBroker* broker, const CMPIObjectPath* path);

    static bool setProperty(CMPIInstance* instance, const char* name, const std::string& value);
    static bool setProperty(CMPIInstance* instance, const char* name, unsigned char value);
    static bool setProperty(CMPIInstance* instance, const char* name, unsigned short value);
    static bool setProperty(CMPIInstance* instance, const char* name, unsigned long long value);
    static bool setProperty(CMPIInstance* instance, const char* name, bool value);
    static bool setProperty(CMPIInstance* instance, const char* name, CMPIObjectPath* reference);
    // A uint16 array.
    static bool setProperty(const CMPIBroker* broker, CMPIInstance* instance, const char* name,
                            const std::vector<unsigned short>& values);

    // True and the value when the property is present and not null; the out
    // value is untouched otherwise. With nullAsEmpty a null string property
    // reads as the empty string.
    static bool getProperty(const CMPIInstance* instance, const char* name, unsigned short& value);
    static bool getProperty(const CMPIInstance* instance, const char* name, std::string& value,
                            bool nullAsEmpty);
    static bool getProperty(const CMPIInstance* instance, const char* name,
                            std::vector<std::string>& values);

    // 0 when the value must be refused: anything that is not empty and not an
    // address of the kind asked ("" an IPv4 dotted quad, ":" an IPv6 or IPv4
    // address); non-zero otherwise.
    static int ValidateInput(std::string value, std::string kind);

    // The catalogue's id of a class, kUnknownClassId when it does not know it.
    static unsigned short getClassId(const CMPIObjectPath* path);
    static unsigned short getClassId(const char* className);

    // Whether className is baseClassName or derives from it, as the CIMOM knows.
    static bool areClassesRelated(const CMPIBroker* broker, const std::string& nameSpace,
                                  const char* className, const char* baseClassName);

    static bool transformObjectPathToMoniker(const CMPIObjectPath* path, Moniker& moniker);
    // Adds the moniker's keys to the path *path points to.
    static bool transformMonikerToObjectPath(Moniker& moniker, CMPIObjectPath** path);
};

}  // namespace Quill

// The walk every instance model shares: a forward-only cursor over the
// network-interface nodes, narrowed by key filters that all must pass.
//
// A model derives from FilteredInterfaceWalk<Model> and supplies
//   std::optional<std::string> filterValue(unsigned filterType) const
// the actual value a filter of that type is compared with (nothing when the
// type is unknown or the value cannot be read: the filter is then neutral).
// It may also supply, hiding the defaults below:
//   void rawStep()                      one position on, without filtering
//   bool standsOnPosition() const       whether the walk stands on a position
//   std::optional<bool> filterMatches(const InterfaceFilter&, const std::string& actual) const
//                                       a comparison other than exact equality
//   std::optional<NameQuery> filterQuery(const InterfaceFilter&) const
//                                       the interface Names a position needs to pass
//                                       the filter (nothing: it cannot tell); a
//                                       position on any other readable Name must fail
//   bool atInterfaceStart() const       whether the walk stands on the first position
//                                       of its interface
//   void enteredInterface()             settles the model's own state when the walk
//                                       has jumped to another interface
// The walk jumps over interfaces that the Names rule out, using the node
// store's index; it stops exactly where stepping and testing would.
// A model that keeps these private declares the walk its friend. It names
// itself in the walk's trace records with
//   static const char* const kTraceName;   its qualified class name
//   static const char* const kTraceFile;   its source file
// so that a trace tells which model walked.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Trace.h"
#include "instrumentation.h"

namespace Quill {
namespace IPInterfaceProvider {

struct InterfaceFilter {
    unsigned int filterType = 0;
    std::string reference;
};

template <typename Model>
class FilteredInterfaceWalk {
  public:
    // Narrows the walk and moves on from where it stands to the first position
    // that passes every filter so far; a later filter never restarts the walk.
    void setFilter(unsigned int filterType, std::string reference) {
        QUILL_TRACE_ENTER_PARAMS_AT(site("setFilter"),
                                    " filterType=" << filterType << " reference=" << reference);
        filterApplied_ = true;
        filters_.push_back(InterfaceFilter{filterType, std::move(reference)});
        seekFilters();
        while (model().standsOnPosition() && !evaluate()) {
            model().rawStep();
            seekFilters();
        }
    }

    // Moves on, from where the walk stands, to the first interface whose
    // Name the query may select (or cannot be read), when the walk stands at
    // the start of an interface.
    void seek(const NameQuery& query) {
        while (model().standsOnPosition() && model().atInterfaceStart() && cursor_.skipTo(query)) {
            model().enteredInterface();
        }
    }

    // seek, then on to the first position that passes every filter, seeking
    // again after each step.
    void seekPassing(const NameQuery& query) {
        seek(query);
        while (model().standsOnPosition() && !evaluate()) {
            ++model();
            seek(query);
        }
    }

    // Why the current node refuses writes, when the node tree says.
    std::string readOnlyNote() const { return cursor_.getReadOnlyNote(); }

    // Whether the current position passes every filter.
    bool evaluate() const {
        const Trace::Site here = site("evaluate");
        QUILL_TRACE_ENTER_AT(here);
        bool passes = true;
        for (auto filter = filters_.begin(); passes && filter != filters_.end(); ++filter) {
            const std::optional<std::string> actual = model().filterValue(filter->filterType);
            if (!actual) {
                continue;
            }
            const std::optional<bool> matches = model().filterMatches(*filter, *actual);
            if (matches) {
                passes = *matches;
            }
        }
        QUILL_TRACE_VALUE_AT(here, "passes", passes);
        return passes;
    }

    // One position on; with filters, on to the next that passes them all.
    void operator++() {
        QUILL_TRACE_ENTER_AT(site("operator++"));
        model().rawStep();
        seekFilters();
        while (filterApplied_ && model().standsOnPosition() && !evaluate()) {
            model().rawStep();
            seekFilters();
        }
    }

    explicit operator bool() const {
        QUILL_TRACE_METHOD_AT(site("operator bool"));
        return model().standsOnPosition();
    }

    // Writes several properties of the current interface in one batch: all of
    // them are taken, or none is (false).
    bool commitChanges(const PropertyChanges& changes) {
        QUILL_TRACE_ENTER_AT(site("commitChanges"));
        return cursor_.setProperties(changes);
    }

  protected:
    FilteredInterfaceWalk() { cursor_.selectNode(NodeLexicon::IPInterface); }

    // Back to an unfiltered walk from the first interface.
    void restart() {
        QUILL_TRACE_ENTER_AT(site("restart"));
        filterApplied_ = false;
        cursor_.selectNode(NodeLexicon::IPInterface);
        filters_.clear();
    }

    void rawStep() { ++cursor_; }
    bool standsOnPosition() const { return static_cast<bool>(cursor_); }
    std::optional<bool> filterMatches(const InterfaceFilter& filter,
                                      const std::string& actual) const {
        return filter.reference == actual;
    }
    std::optional<NameQuery> filterQuery(const InterfaceFilter&) const { return std::nullopt; }
    bool atInterfaceStart() const { return true; }
    void enteredInterface() {}

    // Jumps by the first filter that names the interfaces it lets pass.
    void seekFilters() {
        if (!filterApplied_) {
            return;
        }
        for (const InterfaceFilter& filter : filters_) {
            if (std::optional<NameQuery> query = model().filterQuery(filter)) {
                seek(*query);
                return;
            }
        }
    }

    // Whether a write of the property could be accepted on the current node.
    bool isWritable(NodeLexicon::Properties property) const {
        bool readOnly = true;
        return cursor_.isPropertyReadOnly(property, readOnly) && !readOnly;
    }

    bool filterApplied() const { return filterApplied_; }
    const std::vector<InterfaceFilter>& filters() const { return filters_; }
    std::vector<InterfaceFilter>& filters() { return filters_; }
    const Instrumentation& cursor() const { return cursor_; }
    Instrumentation& cursor() { return cursor_; }

  private:
    static Trace::Site site(const char* member) {
        return Trace::Site{nullptr, Model::kTraceName, member, Model::kTraceFile};
    }

    Model& model() { return static_cast<Model&>(*this); }
    const Model& model() const { return static_cast<const Model&>(*this); }

    bool filterApplied_ = false;
    std::vector<InterfaceFilter> filters_;
    Instrumentation cursor_;
};

}  // namespace IPInterfaceProvider
}  // namespace Quill

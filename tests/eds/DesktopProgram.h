#pragma once
// The data server's own clients, apart from the store: what another program
// on the desktop (a calendar, an address book) writes and reads.

#include <libebook/libebook.h>
#include <libecal/libecal.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarnwel::test {

class CDesktopProgram {
public:
    CDesktopProgram()
    {
        GError* error = nullptr;
        m_registry = e_source_registry_new_sync(nullptr, &error);
        Check(m_registry != nullptr, error);
        ESource* calendar = e_source_registry_ref_default_calendar(m_registry);
        ESource* tasks = e_source_registry_ref_default_task_list(m_registry);
        ESource* book = e_source_registry_ref_default_address_book(m_registry);
        m_calendar = E_CAL_CLIENT(e_cal_client_connect_sync(calendar, E_CAL_CLIENT_SOURCE_TYPE_EVENTS, -1, nullptr, &error));
        Check(m_calendar != nullptr, error);
        m_tasks = E_CAL_CLIENT(e_cal_client_connect_sync(tasks, E_CAL_CLIENT_SOURCE_TYPE_TASKS, -1, nullptr, &error));
        Check(m_tasks != nullptr, error);
        m_book = E_BOOK_CLIENT(e_book_client_connect_sync(book, -1, nullptr, &error));
        Check(m_book != nullptr, error);
        g_object_unref(calendar);
        g_object_unref(tasks);
        g_object_unref(book);
    }
    ~CDesktopProgram()
    {
        g_object_unref(m_book);
        g_object_unref(m_tasks);
        g_object_unref(m_calendar);
        g_object_unref(m_registry);
    }

    // Every item of the calendar (or task list) as iCalendar text.
    // The lines of a text read through the program (iCalendar, vCard) that
    // begin with `prefix`, sorted.
    static std::vector<std::string> Lines(const std::string& text, const std::string& prefix)
    {
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (line.rfind(prefix, 0) == 0)
                lines.push_back(line);
        }
        std::sort(lines.begin(), lines.end());
        return lines;
    }

    std::string CalendarText(bool tasks = false)
    {
        GSList* components = nullptr;
        GError* error = nullptr;
        Check(e_cal_client_get_object_list_sync(tasks ? m_tasks : m_calendar, "#t", &components, nullptr, &error), error);
        std::string text;
        for (GSList* at = components; at != nullptr; at = at->next) {
            gchar* one = i_cal_component_as_ical_string(I_CAL_COMPONENT(at->data));
            text += one;
            g_free(one);
        }
        g_slist_free_full(components, g_object_unref);
        // Folded lines unfolded, so that a field reads as one line.
        for (std::size_t at = text.find("\r\n "); at != std::string::npos; at = text.find("\r\n "))
            text.erase(at, 3);
        return text;
    }
    std::string ContactsText()
    {
        GSList* contacts = nullptr;
        GError* error = nullptr;
        Check(e_book_client_get_contacts_sync(m_book, "(contains \"x-evolution-any-field\" \"\")", &contacts, nullptr, &error),
              error);
        std::string text;
        for (GSList* at = contacts; at != nullptr; at = at->next) {
            gchar* one = e_vcard_to_string(E_VCARD(at->data), EVC_FORMAT_VCARD_30);
            text += one;
            g_free(one);
        }
        g_slist_free_full(contacts, g_object_unref);
        for (std::size_t at = text.find("\r\n "); at != std::string::npos; at = text.find("\r\n "))
            text.erase(at, 3);
        return text;
    }
    void AddEvent(const std::string& text, bool task = false)
    {
        ICalComponent* component = i_cal_component_new_from_string(text.c_str());
        ASSERT_NE(component, nullptr) << text;
        GError* error = nullptr;
        gchar* uid = nullptr;
        Check(e_cal_client_create_object_sync(task ? m_tasks : m_calendar, component, E_CAL_OPERATION_FLAG_NONE, &uid,
                                              nullptr, &error),
              error);
        g_free(uid);
        g_object_unref(component);
    }
    void ModifyInstance(const std::string& text)
    {
        ICalComponent* component = i_cal_component_new_from_string(text.c_str());
        GError* error = nullptr;
        Check(e_cal_client_modify_object_sync(m_calendar, component, E_CAL_OBJ_MOD_THIS, E_CAL_OPERATION_FLAG_NONE,
                                              nullptr, &error),
              error);
        g_object_unref(component);
    }
    void AddContact(const std::string& vcard)
    {
        EContact* contact = e_contact_new_from_vcard(vcard.c_str());
        GError* error = nullptr;
        gchar* uid = nullptr;
        Check(e_book_client_add_contact_sync(m_book, contact, E_BOOK_OPERATION_FLAG_NONE, &uid, nullptr, &error), error);
        g_free(uid);
        g_object_unref(contact);
    }

private:
    static void Check(bool done, GError* error)
    {
        if (!done) {
            const std::string message = error != nullptr ? error->message : "no message";
            if (error != nullptr)
                g_error_free(error);
            throw std::runtime_error(message);
        }
    }

    ESourceRegistry* m_registry = nullptr;
    ECalClient* m_calendar = nullptr;
    ECalClient* m_tasks = nullptr;
    EBookClient* m_book = nullptr;
};

} // namespace tarnwel::test

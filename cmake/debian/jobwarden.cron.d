# /etc/cron.d/jobwarden: jobwarden-service as the system service. Once a
# minute it runs root's tasks, those in /var/lib/jobwarden/tasks, that fall
# due, and at boot those that run at system start. Each user who wants their own tasks run adds a line to their own
# crontab with "jobwarden-service install".
#
# The test keeps the lines silent once the package is removed and this
# file, a conffile, is kept; purging the package removes it.
SHELL=/bin/sh
PATH=/usr/sbin:/usr/bin:/sbin:/bin

* * * * * root [ -x /usr/bin/jobwarden-service ] && /usr/bin/jobwarden-service run-due
@reboot root [ -x /usr/bin/jobwarden-service ] && /usr/bin/jobwarden-service system-start
